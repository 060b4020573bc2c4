#!/usr/bin/env bash
# Times Quorlin against two peers on the same 1920x1080 frame, in one run:
# the same unsharp mask composed from OpenCV calls (box filter, replicated
# borders, same strengths) and ffmpeg's unsharp filter on raw 16-bit frames.
# ffmpeg's blur is not a box (its kernel is a different low-pass), so that
# column compares cost only, not results. Quorlin is also timed on frames
# arriving from memory, against a memcpy from memory. Prints one table of
# medians.
# Quorlin runs at every instruction set level, C included (QUORLIN_ISA).
# Usage: bench/peers.sh [REPETITIONS]
set -euo pipefail
cd "$(dirname "$0")/.."
reps=${1:-7}

scripts/setup.sh peers
cmake --preset native >/dev/null
cmake --build --preset native -j2 --target quorlin_bench opencv_peer >/dev/null
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

bench=build/native/bench
for level in c sse2 avx2; do
  QUORLIN_ISA=$level "$bench/quorlin_bench" --benchmark_repetitions="$reps" --benchmark_format=json \
    --benchmark_filter='Memcpy|pipeline:[01]/.*interlace:0' >"$out/quorlin.$level.json" 2>/dev/null
done
"$bench/opencv_peer" --benchmark_repetitions="$reps" --benchmark_format=json >"$out/opencv.json" 2>/dev/null

# ffmpeg: 50 copies of the frame through the filter, less the same run
# through a null filter, per frame; the median of the repetitions. Its
# largest kernel is 13x13, which stands in for radius 10 (21x21).
"$bench/opencv_peer" --write-raw "$out/frame.raw"
ffmpeg_ms() {  # FILTER THREADS
  local i run base
  for ((i = 0; i < reps; i++)); do
    run=$(set -o pipefail; ffmpeg -hide_banner -nostdin -benchmark -threads 1 -filter_threads "$2" -f rawvideo \
      -pix_fmt yuv444p16le -s 1920x1080 -stream_loop 49 -i "$out/frame.raw" -vf "$1" -f null - 2>&1 |
      sed -n 's/.*rtime=\([0-9.]*\)s.*/\1/p')
    base=$(set -o pipefail; ffmpeg -hide_banner -nostdin -benchmark -threads 1 -filter_threads "$2" -f rawvideo \
      -pix_fmt yuv444p16le -s 1920x1080 -stream_loop 49 -i "$out/frame.raw" -vf null -f null - 2>&1 |
      sed -n 's/.*rtime=\([0-9.]*\)s.*/\1/p')
    [ -n "$run" ] && [ -n "$base" ] || { echo "ffmpeg failed on -vf $1" >&2; exit 1; }
    echo "($run - $base) * 1000 / 50" | bc -l
  done | sort -n | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'
}
{
  echo "luma 2 1 $(ffmpeg_ms unsharp=5:5:0.25:5:5:0 1)"
  echo "luma 2 2 $(ffmpeg_ms unsharp=5:5:0.25:5:5:0 2)"
  echo "luma 10 1 $(ffmpeg_ms unsharp=13:13:0.25:5:5:0 1)"
  echo "yc 2 1 $(ffmpeg_ms unsharp=5:5:0.25:5:5:0.125 1)"
  echo "yc 2 2 $(ffmpeg_ms unsharp=5:5:0.25:5:5:0.125 2)"
} >"$out/ffmpeg.txt"

python3 - "$out" <<'PY'
import json, sys
out = sys.argv[1]

def medians(path):
    runs = json.load(open(f"{out}/{path}"))["benchmarks"]
    return {b["run_name"]: b["real_time"] for b in runs if b.get("aggregate_name") == "median"}

levels = {level: medians(f"quorlin.{level}.json") for level in ("c", "sse2", "avx2")}
q, o = levels["sse2"], medians("opencv.json")
f = {}
for line in open(f"{out}/ffmpeg.txt"):
    mode, radius, threads, ms = line.split()
    f[(mode, int(radius), int(threads))] = float(ms)
memcpy = q["BM_Memcpy/real_time"]
streamed = q["BM_MemcpyFromMemory/real_time"]
rows = [("luma, radius 2", 0, 1, 2, 1), ("luma, radius 2", 0, 1, 2, 2), ("luma, radius 10", 0, 1, 10, 1),
        ("luma + chroma, radius 2", 1, 3, 2, 1), ("luma + chroma, radius 2", 1, 3, 2, 2)]
print(f"memcpy of the frame: {memcpy:.2f} ms in cache, {streamed:.2f} ms from memory (1 thread)")
print("| configuration | threads | level | Quorlin ms | × memcpy | from memory: ms | × memcpy | OpenCV ms "
      "| Quorlin / OpenCV | ffmpeg unsharp ms | Quorlin / ffmpeg |")
print("|---|---|---|---|---|---|---|---|---|---|---|")
for name, pipeline, channels, radius, threads in rows:
    args = f"pipeline:{pipeline}/radius:{radius}/interlace:0/threads:{threads}/process_time/real_time"
    om = o[f"BM_OpenCVUnsharp/channels:{channels}/radius:{radius}/threads:{threads}/real_time"]
    fm = f[("luma" if channels == 1 else "yc", radius, threads)]
    for level, ql in levels.items():
        qm = ql[f"BM_FrameProc/{args}"]
        qs = ql.get(f"BM_FrameProcFromMemory/{args}")
        from_memory = f"{qs:.2f} | {qs / streamed:.1f}" if qs else "– | –"
        print(f"| {name} | {threads} | {level.upper()} | {qm:.2f} | {qm / memcpy:.1f} | {from_memory} | {om:.2f} "
              f"| {qm / om:.2f} | {fm:.2f} | {qm / fm:.2f} |")
PY
