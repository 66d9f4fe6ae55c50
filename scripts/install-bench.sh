#!/usr/bin/env bash
# The install benchmark: whole installations of the demo product (about 8 MB
# on four diskettes) under Wine, driven by the end-to-end driver, which
# timestamps the copy dialog's appearance, the unpack dialog's appearance, the
# package file's deletion and GROUP's appearance (polling every millisecond)
# and reads the setup's peak working set. Prints each run and the medians,
# then the decoder alone on the same package and Wine's own floor.
#   QM_BENCH_RUNS   number of installations (default 5)
set -euo pipefail
cd "$(dirname "$0")/.."

source scripts/demo-build.sh
source scripts/wine-env.sh
"$QM_WINE" "$build/tests/e2e/qm_e2e_driver.exe" bench "$media" "${QM_BENCH_RUNS:-5}"
