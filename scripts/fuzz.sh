#!/usr/bin/env bash
# Builds the fuzz targets with Clang over a coverage-instrumented library and runs each one for a
# bounded time, starting from its seed corpus.
#   scripts/fuzz.sh [SECONDS_PER_TARGET] [TARGET...]     default: 60 seconds, every target
# Each run prints its executions and coverage; a crash, leak or sanitizer report fails the script,
# and the input that caused it is left in build-fuzz/findings/. The DICOM targets read inputs of
# up to 1 MiB, and start also from SR documents with deep and wide content trees, so that they
# reach nesting beyond what the control reads and trees of thousands of items.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true

./scripts/install-deps.sh
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DSRCTRL_FUZZ=ON -DSRCTRL_BUILD_TESTS=OFF -DSRCTRL_BUILD_TOOLS=OFF -DSRCTRL_BUILD_QT=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j "$(nproc)"

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for list in build-fuzz/fuzz-seeds/*.txt; do
    targets+=("$(basename "$list" .txt)")
  done
fi

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
mkdir -p build-fuzz/findings
status=0
for target in "${targets[@]}"; do
  corpus=build-fuzz/corpus/$target
  mkdir -p "$corpus"
  while IFS= read -r seed; do
    [ -n "$seed" ] && cp -f "$seed" "$corpus/"
  done <"build-fuzz/fuzz-seeds/$target.txt"
  max_len=4096
  if [[ $target == KMDcm* ]]; then
    max_len=1048576
    # dump2dcm writes by recursion, as deeply as the tree nests.
    for tree in deep:3000 wide:5000; do
      awk -v kind="${tree%:*}" -v n="${tree#*:}" -f bench/large-tree.awk >"build-fuzz/${tree%:*}.txt"
      (ulimit -s unlimited; dump2dcm -q "build-fuzz/${tree%:*}.txt" "$corpus/${tree%:*}-tree.dcm")
    done
  fi
  echo "fuzz.sh: $target for ${seconds}s, inputs up to $max_len bytes"
  if ! "build-fuzz/bin/$target" -max_total_time="$seconds" -max_len="$max_len" -timeout=20 -rss_limit_mb=2048 \
      -artifact_prefix="build-fuzz/findings/$target-" -print_final_stats=1 "$corpus" 2>"build-fuzz/$target.log"; then
    tail -n 60 "build-fuzz/$target.log" >&2
    status=1
  fi
  grep -E "^stat::number_of_executed_units|^stat::peak_rss_mb|cov: " "build-fuzz/$target.log" | tail -n 3
done
exit $status
