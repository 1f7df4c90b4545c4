#!/usr/bin/env bash
# Runs a subset of the suite under valgrind's memcheck, on the optimised build that hosts ship
# (scripts/test.sh builds it in build/): the report windows, the control's re-entrancy and a short
# random host sequence. Any memory error or definite leak fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=build
[ -x "$build_dir/bin/ReentrantHostTest" ] || { echo "valgrind.sh: build first (scripts/test.sh)" >&2; exit 2; }
command -v valgrind >/dev/null || ./scripts/install-deps.sh

run() {
  echo "valgrind.sh: $*"
  valgrind --quiet --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite \
    --show-leak-kinds=definite --suppressions=tests/valgrind.supp "$@"
}

run "$build_dir/bin/ReentrantHostTest"
run "$build_dir/bin/KMReportWindowTest"
SRCTRL_RANDOM_OPS=400 SRCTRL_RANDOM_SEEDS=7 run "$build_dir/bin/RandomHostTest"
echo "valgrind.sh: no memory errors"
