#!/usr/bin/env bash
# Times the shipped 32-bit plug-in (QuorlinSIMD.auf, under wine) against the
# native 64-bit module, both driven by the host stand-in on the same
# 1920x1080 frame, at both instruction set levels (QUORLIN_ISA), with 1 and
# 2 threads. Wine only loads the DLL: the filter's work is plain user-mode
# code. The runs alternate; prints one table of the medians of REPETITIONS.
# Usage: bench/plugin32.sh [REPETITIONS]
set -euo pipefail
cd "$(dirname "$0")/.."
source tests/wine/wine_env.sh
reps=${1:-5}

cmake --preset native >/dev/null
cmake --build --preset native -j2 --target host_timing QuorlinSIMD >/dev/null
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j2 --target host_timing QuorlinSIMD >/dev/null
export WINEPREFIX=$PWD/build/native/tests/wine/wineprefix
prepare_wine_prefix
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

for ((rep = 0; rep < reps; rep++)); do
  for threads in 1 2; do
    for level in sse2 avx2; do
      export OMP_NUM_THREADS=$threads QUORLIN_ISA=$level
      build/native/host_timing build/native/QuorlinSIMD.so >>"$out/native.$threads.$level"
      run_wine build/win32/host_timing.exe "$(windows_path "$PWD/build/win32/QuorlinSIMD.auf")" \
        >>"$out/win32.$threads.$level"
    done
  done
done

# The median per configuration of one file of "name<TAB>ms" lines.
medians() { sort -t$'\t' -k1,1 -k2,2n "$1" | awk -F'\t' '{v[$1] = v[$1] " " $2; n[$1]++}
  END {for (k in v) {split(substr(v[k], 2), a, " "); print k "\t" a[int((n[k] + 1) / 2)]}}' | sort; }

echo "| configuration | threads | native SSE2 ms | native AVX2 ms | AVX2 / SSE2 | 32-bit SSE2 ms | 32-bit AVX2 ms" \
     "| AVX2 / SSE2 | 32-bit / native, SSE2 | 32-bit / native, AVX2 |"
echo "|---|---|---|---|---|---|---|---|---|---|"
for threads in 1 2; do
  paste <(medians "$out/native.$threads.sse2") <(medians "$out/native.$threads.avx2") \
        <(medians "$out/win32.$threads.sse2") <(medians "$out/win32.$threads.avx2") |
    awk -F'\t' -v t="$threads" '{printf "| %s | %s | %.2f | %.2f | %.2f | %.2f | %.2f | %.2f | %.2f | %.2f |\n",
      $1, t, $2, $4, $4 / $2, $6, $8, $8 / $6, $6 / $2, $8 / $4}'
done
