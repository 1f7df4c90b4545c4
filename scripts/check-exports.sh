#!/usr/bin/env bash
# Checks what libsrctrl offers to the programs that load it: the SONAME carries the ABI version,
# and the exported symbols are exactly those the version script lists (nothing unexpected,
# nothing missing).
#   scripts/check-exports.sh LIBRARY VERSION_SCRIPT ABI_VERSION
set -euo pipefail
library=$1
map=$2
abi=$3

soname=$(readelf -d "$library" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')
if [ "$soname" != "libsrctrl.so.$abi" ]; then
  echo "check-exports: SONAME is '$soname', expected libsrctrl.so.$abi" >&2
  exit 1
fi

# The version script names C symbols bare and C++ symbols demangled in quotes; its version node
# is itself listed by nm as an absolute symbol.
node=$(sed -n 's/^\([A-Za-z_][A-Za-z0-9_]*\) *{.*/\1/p' "$map" | head -n 1)
expected=$(sed -n -e 's/^ *"\(.*\)";$/\1/p' -e 's/^    \([A-Za-z_][A-Za-z0-9_]*\);$/\1/p' "$map" | LC_ALL=C sort)
actual=$(nm -D --defined-only -C "$library" | cut -d' ' -f3- | sed 's/@@*[A-Za-z0-9_.]*$//' \
  | grep -vx "$node" | LC_ALL=C sort -u)

status=0
unexpected=$(LC_ALL=C comm -13 <(printf '%s\n' "$expected") <(printf '%s\n' "$actual"))
missing=$(LC_ALL=C comm -23 <(printf '%s\n' "$expected") <(printf '%s\n' "$actual"))
if [ -n "$unexpected" ]; then
  echo "check-exports: exported but not in $map:" >&2
  sed 's/^/  /' <<<"$unexpected" >&2
  status=1
fi
if [ -n "$missing" ]; then
  echo "check-exports: listed in $map but not exported:" >&2
  sed 's/^/  /' <<<"$missing" >&2
  status=1
fi
[ $status -eq 0 ] && echo "check-exports: $soname exports the $(printf '%s\n' "$actual" | wc -l) symbols of $map"
exit $status
