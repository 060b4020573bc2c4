#!/usr/bin/env bash
# Every build of the editor plug-in must make exactly the committed frames
# (golden_frames.txt beside this script: one line per case of host_cases,
# with a hash of the whole buffer), at every instruction set level and with
# 1, 2 and 3 worker threads, so that a machine that cannot run one build
# still proves the same pixels through another.
# Usage: check_golden.sh OUT_DIR [RUNNER...] HOST_CASES MODULE
#   RUNNER: what runs the host (an emulator, wine), if anything.
set -euo pipefail
golden="$(dirname "$0")/golden_frames.txt"
out=$1
shift
mkdir -p "$out"
levels=(${QUORLIN_GOLDEN_LEVELS:-c sse2 avx2})

status=0
runs=0
for isa in "${levels[@]}"; do
  for threads in 1 2 3; do
    name="$isa.$threads"
    runs=$((runs + 1))
    if ! QUORLIN_ISA=$isa OMP_NUM_THREADS=$threads "$@" 2>"$out/$name.err" | tr -d '\r' >"$out/$name.txt"; then
      echo "$name: host_cases failed:" >&2
      cat "$out/$name.err" >&2
      status=1
    fi
    if ! diff -q "$golden" "$out/$name.txt" >/dev/null; then
      echo "$name differs from $golden:" >&2
      diff "$golden" "$out/$name.txt" | head -n 20 >&2 || true
      status=1
    fi
  done
done
[ "$status" -eq 0 ] &&
  echo "$(grep -c '^case ' "$golden") frames as committed in $runs runs: levels ${levels[*]}, 1, 2 and 3 threads"
exit "$status"
