#!/usr/bin/env bash
# Runs a fuzz target once over every file of the given directories (its seed
# corpus, and the inputs that once made it fail); missing directories are
# skipped.
# Usage: replay.sh FUZZ_TARGET DIR...
set -euo pipefail

target=$1
shift
files=()
for dir in "$@"; do
  [ -d "$dir" ] && while IFS= read -r -d '' f; do files+=("$f"); done < <(find "$dir" -type f -print0)
done
[ ${#files[@]} -gt 0 ] || { echo "no inputs in $*" >&2; exit 1; }
"$target" "${files[@]}" 2>&1 | grep -v '^Running: \|^Executed ' || true
exit "${PIPESTATUS[0]}"
