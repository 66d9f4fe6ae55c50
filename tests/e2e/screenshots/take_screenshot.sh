#!/usr/bin/env bash
# Puts the setup's screen up under Wine on Xvfb, takes a screenshot of the
# whole X screen as a person would see it, and checks its pixels.
#   take_screenshot.sh backdrop CHECKER OUT_DIR          the backdrop alone (the setup's start-up)
#   take_screenshot.sh main CHECKER OUT_DIR SETUP_EXE    setup.exe with MAIN open
# Leaves OUT_DIR/NAME.png for a person to look at. QM_WINE_ARCH picks the Wine.
set -euo pipefail
what=$1 checker=$2 out=$3 setup=${4:-}
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=/dev/null
. "$here/../../../scripts/wine-env.sh"
mkdir -p "$out"
shot="$out/$what-$(basename "${WINEPREFIX}")"

if [ "$what" = backdrop ]; then
  "$QM_WINE" "$checker" show 60 &
  waited=backdrop
else
  (cd "$(dirname "$setup")" && exec "$QM_WINE" "$setup") &
  waited=main
fi
program=$!
trap 'kill "$program" 2>/dev/null || true; wait "$program" 2>/dev/null || true' EXIT

"$QM_WINE" "$checker" wait "$waited" 30
sleep 1  # let the first paint reach the X server
import -display "$DISPLAY" -window root -depth 8 "$shot.ppm"
convert "$shot.ppm" "$shot.png"
echo "screenshot: $shot.png"
if [ "$what" = main ]; then
  "$QM_WINE" "$checker" check "Z:$shot.ppm" main
else
  "$QM_WINE" "$checker" check "Z:$shot.ppm"
fi
