#!/usr/bin/env bash
# Installs what is missing, builds the library and its tests, and runs the whole suite.
#   scripts/test.sh              normal build in build/
#   scripts/test.sh --sanitize   AddressSanitizer and UndefinedBehaviorSanitizer build in build-sanitize/
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=build
options=()
if [ "${1:-}" = "--sanitize" ]; then
  build_dir=build-sanitize
  options+=(-DSRCTRL_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug)
fi

./scripts/install-deps.sh
cmake -S . -B "$build_dir" -DSRCTRL_BUILD_TESTS=ON -DSRCTRL_BUILD_BENCH=ON "${options[@]}"
cmake --build "$build_dir" -j "$(nproc)"

# The printing tests send a job to a real CUPS queue.
if [ "$(id -u)" -eq 0 ]; then
  ./scripts/start-cups.sh || echo "test.sh: no CUPS queue; the CUPS printing test will be skipped" >&2
fi

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir "$build_dir" --output-on-failure -j "$(nproc)"
