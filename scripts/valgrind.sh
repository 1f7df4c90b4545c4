#!/usr/bin/env bash
# Runs a subset of the suite under valgrind's memcheck, on the optimised build that hosts ship
# (scripts/test.sh builds it in build/): the report windows, the control's re-entrancy and a short
# random host sequence. Any memory error fails the run. Leaks are the sanitizer build's to find
# (LeakSanitizer, with tests/lsan.supp): fontconfig's caches, which Pango fills from its own
# threads, reach memcheck as lost at exit, and they are no fault of ours.
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=build
[ -x "$build_dir/bin/ReentrantHostTest" ] || { echo "valgrind.sh: build first (scripts/test.sh)" >&2; exit 2; }
command -v valgrind >/dev/null || ./scripts/install-deps.sh

run() {
  echo "valgrind.sh: $*"
  valgrind --quiet --error-exitcode=1 --leak-check=no --suppressions=tests/valgrind.supp "$@"
}

run "$build_dir/bin/ReentrantHostTest"
run "$build_dir/bin/KMReportWindowTest"
SRCTRL_RANDOM_OPS=400 SRCTRL_RANDOM_SEEDS=7 run "$build_dir/bin/RandomHostTest"
echo "valgrind.sh: no memory errors"
