#!/usr/bin/env bash
# Times quorlin_sharpen_rgb with four channels on a 1920x1080 RGBA picture
# beside quorlin_sharpen on the same picture as the editor's frame, and
# quorlin_sharpen_rgb16 on it in 16 bits, with 1 and 2 threads; the three
# alternate (bench/rgb_timing.cpp does each run).
# Prints one table of the medians of REPETITIONS.
# Usage: bench/rgb_path.sh [REPETITIONS]
set -euo pipefail
cd "$(dirname "$0")/.."
reps=${1:-5}

cmake --preset native >/dev/null
cmake --build --preset native -j2 --target rgb_timing >/dev/null
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

for ((rep = 0; rep < reps; rep++)); do
  for threads in 1 2; do
    export OMP_NUM_THREADS=$threads
    build/native/bench/rgb_timing --frame | grep -v '^memcpy' >>"$out/frame.$threads"
    build/native/bench/rgb_timing | grep -v '^memcpy' >>"$out/rgb.$threads"
    build/native/bench/rgb_timing --rgb16 | grep -v '^memcpy' >>"$out/rgb16.$threads"
  done
done

# The median per configuration of one file of "name<TAB>ms" lines.
medians() { sort -t$'\t' -k1,1 -k2,2n "$1" | awk -F'\t' '{v[$1] = v[$1] " " $2; n[$1]++}
  END {for (k in v) {split(substr(v[k], 2), a, " "); print k "\t" a[int((n[k] + 1) / 2)]}}' | sort; }

echo "| configuration | threads | quorlin_sharpen (editor's frame) ms | quorlin_sharpen_rgb (RGBA) ms | RGBA / frame | quorlin_sharpen_rgb16 (RGBA) ms |"
echo "|---|---|---|---|---|---|"
for threads in 1 2; do
  paste <(medians "$out/frame.$threads") <(medians "$out/rgb.$threads") <(medians "$out/rgb16.$threads") |
    awk -F'\t' -v t="$threads" '{printf "| %s | %s | %.2f | %.2f | %.2f | %.2f |\n", $1, t, $2, $4, $4 / $2, $6}'
done
