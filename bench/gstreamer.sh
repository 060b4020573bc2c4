#!/usr/bin/env bash
# GStreamer pipelines on a 1080p 10-bit 4:2:0 clip that ffmpeg makes from its
# testsrc2 source, read as raw frames (filesrc ! rawvideoparse) and dropped
# (fakesink), with in the middle:
#   quorlinsharpen threads=N;
#   identity: the same pipeline with nothing done to the frames;
#   the frei0r route: videoconvert to RGBA, frei0r-filter-quorlin (the library
#   on OMP_NUM_THREADS=N threads) and videoconvert back, each with n-threads=N.
# The controls are the defaults (luma only), then luma + chroma. The runs
# alternate, so that the machine's load falls on all alike. Prints frames per
# second and milliseconds per frame, medians of REPETITIONS runs; the
# element's cost over identity beside the library's own planes call on a
# frame in memory (quorlin_bench's BM_SharpenPlanes at depth 10); and how
# many times faster the element is than the frei0r route.
# Usage: bench/gstreamer.sh [FRAMES] [REPETITIONS]
set -euo pipefail
cd "$(dirname "$0")/.."
frames=${1:-60}
reps=${2:-5}

scripts/setup.sh native
cmake --preset native >/dev/null
cmake --build --preset native -j2 --target quorlin_gstreamer quorlin_frei0r quorlin_bench >/dev/null
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export GST_PLUGIN_PATH=$PWD/build/native/hosts/gstreamer FREI0R_PATH=$PWD/build/native/hosts/frei0r
export GST_REGISTRY=$scratch/registry.bin
gst-inspect-1.0 quorlinsharpen >/dev/null
gst-inspect-1.0 frei0r-filter-quorlin >/dev/null

clip=$scratch/clip.raw
ffmpeg -v error -f lavfi -i testsrc2=size=1920x1080:rate=25 -frames:v "$frames" -pix_fmt yuv420p10le -f rawvideo "$clip"

# The pipeline with NAME in the middle: NAME THREADS LUMA_ONLY (true or false).
pipeline() {
  local middle
  case $1 in
  element) middle="quorlinsharpen threads=$2 luma-only=$3" ;;
  identity) middle="identity" ;;
  frei0r)
    middle="videoconvert n-threads=$2 ! video/x-raw,format=RGBA ! frei0r-filter-quorlin luma-only=$3"
    middle+=" ! videoconvert n-threads=$2 ! video/x-raw,format=I420_10LE"
    ;;
  esac
  echo "gst-launch-1.0 -q filesrc location=$clip ! rawvideoparse format=i420-10le width=1920 height=1080" \
    "framerate=25/1 ! $middle ! fakesink"
}

# Wall seconds of a command line.
wall() {
  local TIMEFORMAT='%R' t
  t=$( { time OMP_NUM_THREADS=$2 bash -c "$1" >/dev/null 2>&1; } 2>&1 | tail -n1)
  echo "$t"
}

for ((rep = 0; rep < reps; rep++)); do
  for luma_only in true false; do
    for threads in 1 2; do
      for name in element identity frei0r; do
        echo "$(wall "$(pipeline $name $threads $luma_only)" "$threads")" >>"$scratch/$name.$threads.$luma_only"
      done
    done
  done
done

# The median of a file of numbers, as milliseconds per frame.
ms_per_frame() { sort -n "$1" | awk -v f="$frames" '{v[NR] = $1} END {printf "%.2f\n", 1000 * v[int((NR + 1) / 2)] / f}'; }
# The library's own milliseconds per frame on 1080p 10-bit 4:2:0 planes in memory: LUMA_ONLY(1/0) THREADS.
library_ms() {
  build/native/bench/quorlin_bench --benchmark_repetitions="$reps" --benchmark_report_aggregates_only=true \
    --benchmark_filter="BM_SharpenPlanes/depth:10/luma_only:$1/threads:$2/" \
    --benchmark_format=csv 2>/dev/null | awk -F, '/_median/ {printf "%.2f\n", $3}'
}
fps() { awk -v ms="$1" 'BEGIN {printf "%.1f", 1000 / ms}'; }

echo "GStreamer $(gst-launch-1.0 --version | awk 'NR == 2 {print $2}'); ${frames} frames 1920x1080 10-bit 4:2:0 from testsrc2;"
echo "$(nproc) cores of $(awk -F': ' '/model name/ {print $2; exit}' /proc/cpuinfo); medians of ${reps} runs."
echo
echo "| controls | threads | quorlinsharpen fps (ms/frame) | identity fps (ms/frame) | frei0r route fps (ms/frame) | element − identity ms | library planes call ms | frei0r route / element |"
echo "|---|---|---|---|---|---|---|---|"
for luma_only in true false; do
  for threads in 1 2; do
    e=$(ms_per_frame "$scratch/element.$threads.$luma_only")
    i=$(ms_per_frame "$scratch/identity.$threads.$luma_only")
    f=$(ms_per_frame "$scratch/frei0r.$threads.$luma_only")
    l=$(library_ms "$([ $luma_only = true ] && echo 1 || echo 0)" "$threads")
    printf "| %s | %s | %s (%s) | %s (%s) | %s (%s) | %.2f | %s | %.1fx |\n" \
      "$([ $luma_only = true ] && echo "luma" || echo "luma + chroma")" "$threads" "$(fps "$e")" "$e" \
      "$(fps "$i")" "$i" "$(fps "$f")" "$f" "$(awk -v e="$e" -v i="$i" 'BEGIN {print e - i}')" "$l" \
      "$(awk -v e="$e" -v f="$f" 'BEGIN {print f / e}')"
  done
done
