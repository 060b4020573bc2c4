#!/usr/bin/env bash
# The 32-bit plug-in under wine must make exactly the frames the native module
# makes, and those committed in tests/host_stand_in/golden_frames.txt,
# whatever the number of worker threads and the instruction set level:
# each module's statically or dynamically linked OpenMP runtime reads
# OMP_NUM_THREADS when it loads, and its kernels' level QUORLIN_ISA; every one
# of the eighteen runs must print the same lines.
# Usage: compare_frames.sh NATIVE_HOST_CASES NATIVE_MODULE WIN32_BUILD_DIR OUT_DIR
set -euo pipefail
source "$(dirname "$0")/wine_env.sh"

native_cases=$1 native_module=$2 win32_dir=${3:-} out=${4:-}
require_files "$native_cases" "$native_module" "$win32_dir/host_cases.exe" "$win32_dir/QuorlinSIMD.auf"
prepare_wine_prefix
mkdir -p "$out"

status=0
runs=()
# Runs one of the eighteen, keeping its lines even when it reports a bad frame.
run() {
  local name=$1
  shift
  runs+=("$name")
  "$@" >"$out/$name.txt" || { echo "$name: host_cases failed (exit $?)" >&2; status=1; }
}
for isa in "${isa_levels[@]}"; do
  export QUORLIN_ISA=$isa
  for threads in 1 2 3; do
    export OMP_NUM_THREADS=$threads
    run "native.$isa.$threads" "$native_cases" "$native_module"
    run "wine.$isa.$threads" run_wine "$win32_dir/host_cases.exe" "$(windows_path "$win32_dir/QuorlinSIMD.auf")"
  done
done

golden="$(dirname "$0")/../host_stand_in/golden_frames.txt"
frames=$(grep -c '^case ' "$golden")
for name in "${runs[@]}"; do
  if ! diff -q "$golden" "$out/$name.txt" >/dev/null; then
    echo "$name differs from $golden:" >&2
    diff "$golden" "$out/$name.txt" | head -n 20 >&2 || true
    status=1
  fi
done
[ "$status" -eq 0 ] &&
  echo "$frames frames as committed in ${#runs[@]} runs: native and wine, levels ${isa_levels[*]}, 1, 2 and 3 threads"
exit "$status"
