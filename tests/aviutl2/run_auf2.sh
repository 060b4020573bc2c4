#!/usr/bin/env bash
# Quorlin.auf2 under wine64, driven by its stand-in host
# (auf2_stand_in.cpp): the table; the frames against the library and four
# host threads at once, at every instruction set level with 1, 2 and 3
# worker threads. Its load, free and exit: tests/lifecycle.
# Usage: run_auf2.sh WIN64_BUILD_DIR
set -euo pipefail
export QUORLIN_WINE_BITS=64
source "$(dirname "$0")/../wine/wine_env.sh"

win64_dir=${1:-}
require_files "$win64_dir/auf2_stand_in.exe" "$win64_dir/Quorlin.auf2"
prepare_wine_prefix
stand_in() { run_wine "$win64_dir/auf2_stand_in.exe" "$(windows_path "$win64_dir/Quorlin.auf2")" "$@"; }
status=0
fail() { echo "FAILED: $*" >&2; status=1; }

stand_in table || fail "the table"
for isa in "${isa_levels[@]}"; do
  for threads in 1 2 3; do
    echo "level $isa, worker threads: $threads"
    export QUORLIN_ISA=$isa OMP_NUM_THREADS=$threads
    stand_in frames || fail "frames at $isa, $threads threads"
    stand_in threads || fail "host threads at $isa, $threads threads"
  done
done

exit "$status"
