#!/usr/bin/env bash
# Builds the Windows program and runs setup.exe headless under Wine, then shows
# what the run did: its exit code and the WinInit.Ini it wrote.
#
# The product is the 32-bit build (the `windows` preset). On a kernel that runs
# no 32-bit programs, the same sources built for 64-bit Windows (`windows64`)
# run under 64-bit Wine instead.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset windows >/dev/null
cmake --build --preset windows --target setup
file build/windows/src/setup.exe
setup=build/windows/src/setup.exe

if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  echo "This kernel runs no 32-bit programs: running the 64-bit build of the same sources."
  cmake --preset windows64 >/dev/null
  cmake --build --preset windows64 --target setup
  setup=build/windows64/src/setup.exe
  export QM_WINE_ARCH=win64
fi

source scripts/wine-env.sh
windows="$WINEPREFIX/drive_c/windows"
rm -f "$windows"/[Ww]in[Ii]nit.[Ii]ni

echo "Running $setup under Wine (display $DISPLAY) ..."
status=0
"$QM_WINE" "$setup" || status=$?
echo "setup.exe ended with exit code $status"

for found in "$windows"/[Ww]in[Ii]nit.[Ii]ni; do
  [ -f "$found" ] || { echo "No WinInit.Ini was written."; exit 1; }
  echo "C:\\windows\\${found##*/}:"
  sed 's/\r$//; s/^/  /' "$found"
done
exit "$status"
