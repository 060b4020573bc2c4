#!/usr/bin/env bash
# Times the 64-bit ExEdit2 plug-in (Quorlin.auf2, under wine64, the host's
# copies of the image in and out included) against quorlin_sharpen_rgb
# natively and under wine64, on the same 1920x1080 RGBA picture, with 1 and
# 2 threads (bench/rgb_timing.cpp does each run). Wine only loads the DLL:
# the filter's work is plain user-mode code. The runs alternate; prints one
# table of the medians of REPETITIONS.
# Usage: bench/plugin64.sh [REPETITIONS]
set -euo pipefail
cd "$(dirname "$0")/.."
export QUORLIN_WINE_BITS=64
source tests/wine/wine_env.sh
reps=${1:-5}

cmake --preset native >/dev/null
cmake --build --preset native -j2 --target rgb_timing >/dev/null
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j2 --target rgb_timing Quorlin_auf2 >/dev/null
export WINEPREFIX=$PWD/build/native/tests/wine64/wineprefix
prepare_wine_prefix
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

for ((rep = 0; rep < reps; rep++)); do
  for threads in 1 2; do
    export OMP_NUM_THREADS=$threads
    build/native/bench/rgb_timing >>"$out/native.$threads"
    run_wine build/win64/rgb_timing.exe >>"$out/wine.$threads"
    run_wine build/win64/rgb_timing.exe "$(windows_path "$PWD/build/win64/Quorlin.auf2")" >>"$out/plugin.$threads"
  done
done

# The median per configuration of one file of "name<TAB>ms" lines.
medians() { sort -t$'\t' -k1,1 -k2,2n "$1" | awk -F'\t' '{v[$1] = v[$1] " " $2; n[$1]++}
  END {for (k in v) {split(substr(v[k], 2), a, " "); print k "\t" a[int((n[k] + 1) / 2)]}}' | sort; }

echo "| configuration | threads | quorlin_sharpen_rgb native ms | quorlin_sharpen_rgb wine64 ms" \
     "| Quorlin.auf2 wine64 ms | plug-in / native |"
echo "|---|---|---|---|---|---|"
for threads in 1 2; do
  paste <(medians "$out/native.$threads") <(medians "$out/wine.$threads") <(medians "$out/plugin.$threads") |
    awk -F'\t' -v t="$threads" '{printf "| %s | %s | %.2f | %.2f | %.2f | %.2f |\n", $1, t, $2, $4, $6, $6 / $2}'
done
