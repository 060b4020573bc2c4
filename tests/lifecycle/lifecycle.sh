#!/usr/bin/env bash
# A host's whole life with a plug-in, natively or a real Windows module
# under wine (the editor's stand-in host does each run, through
# tests/host_stand_in/host_core.cpp):
#  - 100 cycles of load, frame, unload with 1, 2, 4 and 8 threads, freeing at
#    once and after a pause: no crash, no thread growth, no idle CPU;
#  - process exit right after a frame, with the module kept or freed, the
#    frame run on the main thread or on a second host thread: 100 runs of
#    each with 4 threads, two processes at a time, on a quiet machine and
#    again beside two CPU-bound processes. None may crash or hang.
# Usage: lifecycle.sh native|wine HOST MODULE
#   wine: HOST is a Windows program, run under wine (wine64 with
#   QUORLIN_WINE_BITS=64).
set -euo pipefail

mode=$1 host_program=${2:-} module=${3:-}
if [ "$mode" = wine ]; then
  source "$(dirname "$0")/../wine/wine_env.sh"
  require_files "$host_program" "$module"
  prepare_wine_prefix
  module=$(windows_path "$module")
  host() { run_wine "$host_program" "$module" "$@"; }
  export -f run_wine
else
  host() { "$host_program" "$module" "$@"; }
fi
export host_program module
# A run that takes this long has hung (a run takes well under a second).
limit=${QUORLIN_LIFECYCLE_TIMEOUT:-60}
export -f host

status=0
fail() { echo "FAILED: $*" >&2; status=1; }

for threads in 1 2 4 8; do
  for pause_ms in 0 20; do
    rc=0
    line=$(OMP_NUM_THREADS=$threads timeout "$limit" bash -c 'host cycles 100 "$0"' "$pause_ms") || rc=$?
    echo "$threads threads, pause $pause_ms ms: ${line:-no report}"
    [ "$rc" -eq 0 ] || fail "100 cycles with $threads threads, pause $pause_ms ms: exit status $rc"
  done
done

# One exit run; prints its variant when it crashed (non-zero) or hung (124).
exit_run() {
  local variant=$1 rc=0
  OMP_NUM_THREADS=4 timeout "$limit" bash -c 'host exit $0' "$variant" >/dev/null 2>&1 || rc=$?
  [ "$rc" -eq 0 ] || echo "exit $variant: $([ "$rc" -eq 124 ] && echo hung || echo "exit status $rc")"
}
export -f exit_run
export limit

variants=("keep main" "free main" "keep second" "free second")
exit_runs() {
  local label=$1 failures
  failures=$(for i in $(seq 0 399); do echo "${variants[i % 4]}"; done |
             xargs -P 2 -I{} bash -c 'exit_run "$0"' {})
  if [ -n "$failures" ]; then
    fail "process exit, $label: $(wc -l <<<"$failures") of 400 runs failed"
    sort <<<"$failures" | uniq -c >&2
  else
    echo "process exit, $label: 400 of 400 runs clean (100 of each: module kept or freed, frame on the main thread or a second one)"
  fi
}

exit_runs "quiet machine"
busy=()
for _ in 1 2; do
  bash -c 'while :; do :; done' &
  busy+=($!)
done
trap 'kill "${busy[@]}" 2>/dev/null || true' EXIT
exit_runs "beside two CPU-bound processes"
exit "$status"
