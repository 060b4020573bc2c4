#!/usr/bin/env bash
# Times the shipped 32-bit plug-in (QuorlinSIMD.auf, under wine) against the
# native 64-bit module, both driven by the host stand-in on the same
# 1920x1080 frame, with 1 and 2 threads. Wine only loads the DLL: the
# filter's work is plain user-mode code. Prints one table of medians.
# Usage: bench/plugin32.sh
set -euo pipefail
cd "$(dirname "$0")/.."
source tests/wine/wine_env.sh

cmake --preset native >/dev/null
cmake --build --preset native -j2 --target host_timing QuorlinSIMD >/dev/null
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j2 --target host_timing QuorlinSIMD >/dev/null
export WINEPREFIX=$PWD/build/native/tests/wine/wineprefix
prepare_wine_prefix
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

for threads in 1 2; do
  OMP_NUM_THREADS=$threads build/native/host_timing build/native/QuorlinSIMD.so >"$out/native.$threads"
  OMP_NUM_THREADS=$threads run_wine build/win32/host_timing.exe "$(windows_path "$PWD/build/win32/QuorlinSIMD.auf")" \
    >"$out/win32.$threads"
done

echo "| configuration | threads | native ms | 32-bit plug-in ms | 32-bit / native |"
echo "|---|---|---|---|---|"
for threads in 1 2; do
  paste "$out/native.$threads" "$out/win32.$threads" |
    awk -F'\t' -v t="$threads" '{printf "| %s | %s | %.2f | %.2f | %.2f |\n", $1, t, $2, $4, $4 / $2}'
done
