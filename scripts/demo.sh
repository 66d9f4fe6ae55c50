#!/usr/bin/env bash
# A whole installation of the demo product (about 8 MB on four diskettes)
# under Wine, headless: builds setup.exe, the product's programs and the
# end-to-end driver, packs the product with qmpack, and lets the driver answer
# the dialogs as a user would. Then shows what the run left: the installed
# files, the uninstall entry, the shortcut and WinInit.Ini. A screenshot of
# each dialog stays in build/demo/.
#
# The product is the 32-bit build (the `windows` preset). On a kernel that runs
# no 32-bit programs, the same sources built for 64-bit Windows (`windows64`)
# run under 64-bit Wine instead.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

preset=windows
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  echo "This kernel runs no 32-bit programs: running the 64-bit build of the same sources."
  preset=windows64
  export QM_WINE_ARCH=win64
fi
build=build/$preset
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target setup qm_e2e_driver \
  demo_kestreln demo_uninstal demo_taskman demo_kshell
file "$build/src/setup.exe"
cmake --preset release >/dev/null
cmake --build --preset release --target qmpack

demo=$root/build/demo
media=$demo/media
echo "Packing the demo product ..."
scripts/demo-media.sh "$build" build/release/tools/qmpack/qmpack "$media" | sed -n '/^package/,/^checked/p'

source scripts/wine-env.sh
windows="$WINEPREFIX/drive_c/windows"

# The driver asks for a screenshot by leaving NN-caption.request in the
# folder; this takes the X screen and removes the request.
rm -f "$demo"/*.png "$demo"/*.request
take_requested_screenshots() {
  while :; do
    for request in "$demo"/*.request; do
      [ -e "$request" ] || continue
      import -display "$DISPLAY" -window root "${request%.request}.png" 2>/dev/null || true
      rm -f "$request"
    done
    sleep 0.05
  done
}
take_requested_screenshots &
photographer=$!
trap 'kill "$photographer" 2>/dev/null || true' EXIT

echo "Installing under Wine (display $DISPLAY) ..."
status=0
QM_SHOTS=$demo "$QM_WINE" "$build/tests/e2e/qm_e2e_driver.exe" install_full "$media" 120 || status=$?

destination="$WINEPREFIX/drive_c/KQM Install"
echo
echo "Installed into C:\\KQM Install:"
(cd "$destination" && find . -type f -printf '  %10s  %P\n' | sort -k2)
for help in "$windows"/help/Kestreln.Hlp "$windows"/help/Tutorial.Hlp; do
  [ -f "$help" ] && printf '  %10s  C:\\windows\\help\\%s\n' "$(stat -c %s "$help")" "${help##*/}"
done
echo
echo "Uninstall entry:"
"$QM_WINE" reg query 'HKLM\Software\microsoft\windows\currentversion\uninstall\Kestrelon!' |
  sed 's/\r$//; /^$/d; s/^/  /'
echo
echo "Start-menu shortcut:"
find "$WINEPREFIX/drive_c/users" -iname 'Kestrelon!.LNK' -printf '  %P\n'
echo
for found in "$windows"/[Ww]in[Ii]nit.[Ii]ni; do
  [ -f "$found" ] || { echo "No WinInit.Ini was written."; break; }
  echo "C:\\windows\\${found##*/}:"
  sed 's/\r$//; s/^/  /' "$found"
done
echo
echo "Screenshots of the dialogs:"
ls "$demo"/*.png 2>/dev/null | sed 's|^|  |'
exit "$status"
