#!/usr/bin/env bash
# The install benchmark: whole installations of the demo product (about 8 MB
# on four diskettes) under Wine, driven by the end-to-end driver, which
# timestamps the copy dialog's appearance, the unpack dialog's appearance, the
# package file's deletion and GROUP's appearance (polling every millisecond)
# and reads the setup's peak working set. Prints each run and the medians.
#   QM_BENCH_RUNS   number of installations (default 5)
set -euo pipefail
cd "$(dirname "$0")/.."

preset=windows
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  echo "This kernel runs no 32-bit programs: measuring the 64-bit build of the same sources."
  preset=windows64
  export QM_WINE_ARCH=win64
fi
build=build/$preset
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target setup qm_e2e_driver \
  demo_kestreln demo_uninstal demo_taskman demo_kshell
cmake --preset release >/dev/null
cmake --build --preset release --target qmpack

media=$PWD/build/demo/media
scripts/demo-media.sh "$build" build/release/tools/qmpack/qmpack "$media" | sed -n '/^package/,/^  Kestreln/p'
source scripts/wine-env.sh
"$QM_WINE" "$build/tests/e2e/qm_e2e_driver.exe" bench "$media" "${QM_BENCH_RUNS:-5}"
