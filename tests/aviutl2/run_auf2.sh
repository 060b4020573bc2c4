#!/usr/bin/env bash
# Quorlin.auf2 under wine64, driven by its stand-in host
# (auf2_stand_in.cpp):
#   run_auf2.sh WIN64_BUILD_DIR frames
#     the table; the frames against the library and four host threads at
#     once, at every instruction set level with 1, 2 and 3 worker threads.
#   run_auf2.sh WIN64_BUILD_DIR lifecycle
#     100 load, frame and free cycles with 1 and 4 worker threads (no thread
#     growth), then 100 process exits right after a frame, 25 of each kind
#     (module kept or freed, frame on the main thread or a second one), two
#     processes at a time: none may crash or hang.
set -euo pipefail
export QUORLIN_WINE_BITS=64
source "$(dirname "$0")/../wine/wine_env.sh"

win64_dir=${1:-} mode=${2:-}
require_files "$win64_dir/auf2_stand_in.exe" "$win64_dir/Quorlin.auf2"
prepare_wine_prefix
stand_in() { run_wine "$win64_dir/auf2_stand_in.exe" "$(windows_path "$win64_dir/Quorlin.auf2")" "$@"; }
# A run that takes this long has hung (a run takes a few seconds at most).
limit=60
status=0
fail() { echo "FAILED: $*" >&2; status=1; }

frames() {
  stand_in table || fail "the table"
  local isa threads
  for isa in "${isa_levels[@]}"; do
    for threads in 1 2 3; do
      echo "level $isa, worker threads: $threads"
      export QUORLIN_ISA=$isa OMP_NUM_THREADS=$threads
      stand_in frames || fail "frames at $isa, $threads threads"
      stand_in threads || fail "host threads at $isa, $threads threads"
    done
  done
}

# One exit run; prints its variant when it crashed (non-zero) or hung (124).
exit_run() {
  local rc=0
  timeout "$limit" bash -c 'stand_in exit $0' "$1" >/dev/null 2>&1 || rc=$?
  [ "$rc" -eq 0 ] || echo "exit $1: $([ "$rc" -eq 124 ] && echo hung || echo "exit status $rc")"
}

lifecycle() {
  export -f run_wine windows_path stand_in exit_run
  export win64_dir limit
  local threads rc failures
  for threads in 1 4; do
    rc=0
    OMP_NUM_THREADS=$threads timeout "$limit" bash -c 'stand_in cycles 100' || rc=$?
    [ "$rc" -eq 0 ] || fail "100 cycles with $threads worker threads: exit status $rc"
  done
  local variants=("keep main" "free main" "keep second" "free second")
  failures=$(for i in $(seq 0 99); do echo "${variants[i % 4]}"; done |
             OMP_NUM_THREADS=4 xargs -P 2 -I{} bash -c 'exit_run "$0"' {})
  if [ -n "$failures" ]; then
    fail "process exit: $(wc -l <<<"$failures") of 100 runs failed"
    sort <<<"$failures" | uniq -c >&2
  else
    echo "process exit: 100 of 100 runs clean (25 of each: module kept or freed, frame on the main thread or a second one)"
  fi
}

case $mode in
  frames) frames ;;
  lifecycle) lifecycle ;;
  *) echo "usage: $0 WIN64_BUILD_DIR frames|lifecycle" >&2; exit 2 ;;
esac
exit "$status"
