#!/usr/bin/env bash
# A whole installation of the demo product (about 8 MB on four diskettes)
# under Wine, headless: builds setup.exe, the product's programs and the
# end-to-end driver, packs the product with qmpack, and lets the driver answer
# the dialogs as a user would, putting in each diskette when it is asked for.
# Then shows what the run left: the installed files, the uninstall entry, the
# shortcut and WinInit.Ini. Last, UnInstal.Exe removes the product again and
# the whole machine, pictured before the installation, is compared with
# itself after a restart. A screenshot of each dialog stays in build/demo/.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

source scripts/demo-build.sh
demo=$root/build/demo

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
QM_SHOTS=$demo "$QM_WINE" "$build/tests/e2e/qm_e2e_driver.exe" demo_install "$media" 120 || status=$?

# MAIN's edit turns the typed folder into capitals.
destination=$(find "$WINEPREFIX/drive_c" -maxdepth 1 -iname 'KQM Install')
echo
echo "Installed into C:\\${destination##*/}:"
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
echo "Removing Kestrelon! with UnInstal.Exe ..."
removal=0
QM_SHOTS=$demo "$QM_WINE" "$build/tests/e2e/qm_e2e_driver.exe" demo_uninstall "$media" 120 || removal=$?
if [ "$removal" -eq 0 ]; then
  echo "The machine is as it was before the installation: nothing differs on drive C:, in the"
  echo "registry, in SYSTEM.INI or in WinInit.Ini."
else
  echo "The machine is NOT as it was before the installation (see the differences above)."
  status=$removal
fi
echo
echo "Screenshots of the dialogs:"
ls "$demo"/*.png 2>/dev/null | sed 's|^|  |'
exit "$status"
