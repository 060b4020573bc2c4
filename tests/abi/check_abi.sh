#!/usr/bin/env bash
# Compares the built library's ABI with the committed baseline: any change to
# an exported function or a public type fails, until the version is raised
# and the baseline written again on purpose:
#   check_abi.sh LIBRARY BASELINE HEADERS_DIR [--update]
set -euo pipefail
library=$1 baseline=$2 headers=$3
fail() { echo "FAILED: $*" >&2; exit 1; }
command -v abidw >/dev/null && command -v abidiff >/dev/null ||
  fail "abidw and abidiff are missing: scripts/setup.sh installs them (abigail-tools)"

# Only what the public header declares, without paths, so that any checkout
# gives the same dump.
dump() {
  abidw --no-corpus-path --no-comp-dir-path --short-locs --no-parameter-names --drop-private-types \
    --exported-interfaces-only --headers-dir "$headers" "$library"
}
if [ "${4:-}" = --update ]; then
  dump >"$baseline"
  echo "wrote $baseline"
  exit 0
fi
current=$(mktemp)
trap 'rm -f "$current"' EXIT
dump >"$current"
# Functions added are reported but do not fail: they break no caller.
if ! abidiff --no-added-syms "$baseline" "$current"; then
  fail "the library's ABI differs from $baseline: if that is meant, raise the version in CMakeLists.txt and" \
    "include/quorlin/quorlin.h (the major version for a break), then run $0 $library $baseline $headers --update"
fi
echo "ABI as in $baseline"
