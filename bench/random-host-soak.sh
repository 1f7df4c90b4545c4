#!/usr/bin/env bash
# A long soak of the random host test under the sanitizers: many seeds, many operations each.
#   bench/random-host-soak.sh [OPERATIONS_PER_SEED] [FIRST_SEED] [LAST_SEED]
# Builds build-sanitize/ if needed; prints each seed's summary and stops at the first failure,
# naming the seed that reproduces it.
set -euo pipefail
cd "$(dirname "$0")/.."
operations=${1:-50000}
first=${2:-100}
last=${3:-119}

cmake -S . -B build-sanitize -DSRCTRL_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug -DSRCTRL_BUILD_TESTS=ON >/dev/null
cmake --build build-sanitize -j "$(nproc)" --target RandomHostTest srctrl_skins >/dev/null
export ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
for seed in $(seq "$first" "$last"); do
  if ! SRCTRL_RANDOM_OPS=$operations SRCTRL_RANDOM_SEEDS=$seed build-sanitize/bin/RandomHostTest --gtest_brief=1 | grep '^seed'; then
    echo "random-host-soak: seed $seed failed; rerun it with SRCTRL_RANDOM_SEEDS=$seed" >&2
    exit 1
  fi
done
