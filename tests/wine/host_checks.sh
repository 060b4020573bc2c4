#!/usr/bin/env bash
# Runs the Windows-only checks of the plug-in under wine: its raw definition
# record, and both entry points entered with a misaligned stack, with 1, 2
# and 3 threads, so that worker threads run too, at every instruction set
# level (256-bit vectors spilled to the stack need it 32-byte aligned).
# Usage: host_checks.sh WIN32_BUILD_DIR
set -euo pipefail
source "$(dirname "$0")/wine_env.sh"

win32_dir=${1:-}
require_files "$win32_dir/host_checks.exe" "$win32_dir/QuorlinSIMD.auf"
prepare_wine_prefix
for isa in "${isa_levels[@]}"; do
  for threads in 1 2 3; do
    echo "level: $isa, threads: $threads"
    QUORLIN_ISA=$isa OMP_NUM_THREADS=$threads run_wine "$win32_dir/host_checks.exe" \
      "$(windows_path "$win32_dir/QuorlinSIMD.auf")"
  done
done
