#!/usr/bin/env bash
# Video through quorlin as users run it: 1080p clips that ffmpeg makes from
# its testsrc2 source (8-bit and 10-bit 4:2:0, 10-bit 4:2:2, 16-bit 4:4:4), read from a
# file and written to /dev/null, luma only and luma + chroma, with 1 and 2
# threads; in the same run ffmpeg's own unsharp filter (5x5, luma 0.25 and,
# for luma + chroma, chroma 0.125 as Quorlin's defaults) with 1 and 2 filter
# threads, ffmpeg copying the clip through, and the filter's own time for a
# frame already in the editor's samples in memory (quorlin_bench). Prints
# frames per second and CPU seconds, medians of REPETITIONS runs.
# Usage: bench/stream.sh [FRAMES] [REPETITIONS]
#   QUORLIN_STREAM_CLIPS="yuv422p10le 10-bit 4:2:2" times that clip alone (pixel
#   format, depth, layout; several separated by commas).
set -euo pipefail
cd "$(dirname "$0")/.."
frames=${1:-100}
reps=${2:-5}

scripts/setup.sh native
cmake --preset native >/dev/null
cmake --build --preset native -j2 --target quorlin quorlin_bench >/dev/null
clips=$(mktemp -d)
trap 'rm -rf "$clips"' EXIT

# Wall seconds and CPU seconds (user + system, every thread and child) of a
# command line, "WALL CPU".
measure() {
  local TIMEFORMAT='%R %U %S' t
  t=$( { time bash -c "$1" >/dev/null 2>&1; } 2>&1 | tail -n1)
  awk '{printf "%.3f %.3f\n", $1, $2 + $3}' <<<"$t"
}

# The medians of REPETITIONS measurements: "FPS CPU_SECONDS".
median_of() {
  local i
  for ((i = 0; i < reps; i++)); do measure "$1"; done |
    sort -n | awk -v f="$frames" '{w[NR] = $1; c[NR] = $2} END {m = int((NR + 1) / 2); printf "%.0f %.2f\n", f / w[m], c[m]}'
}

# The filter's own milliseconds per frame on a frame in memory: the frame
# procedure benchmark's median, radius 2; pipeline 0 is luma only, 1 luma +
# chroma.
filter_ms() {  # PIPELINE THREADS
  build/native/bench/quorlin_bench --benchmark_repetitions="$reps" --benchmark_report_aggregates_only=true \
    --benchmark_filter="BM_FrameProc/pipeline:$1/radius:2/interlace:0/threads:$2/" \
    --benchmark_format=csv 2>/dev/null | awk -F, '/_median/ {printf "%.2f\n", $3}'
}

echo "Made by ffmpeg $(ffmpeg -version | awk 'NR == 1 {print $3}') from testsrc2, ${frames} frames 1920x1080;"
echo "$(nproc) cores of $(awk -F': ' '/model name/ {print $2; exit}' /proc/cpuinfo); medians of ${reps} runs."
echo
echo "| clip | controls | quorlin 1 thread fps (CPU s) | quorlin 2 threads fps (CPU s) | ffmpeg unsharp 1 thread fps (CPU s) | ffmpeg unsharp 2 threads fps (CPU s) | ffmpeg copy fps (CPU s) | ms per frame: quorlin / filter alone, 1 thread | 2 threads |"
echo "|---|---|---|---|---|---|---|---|---|"
clip_list=${QUORLIN_STREAM_CLIPS:-"yuv420p 8-bit 4:2:0,yuv420p10le 10-bit 4:2:0,yuv422p10le 10-bit 4:2:2,yuv444p16le 16-bit 4:4:4"}
IFS=, read -r -a clip_array <<<"$clip_list"
for clip in "${clip_array[@]}"; do
  read -r pix_fmt depth layout <<<"$clip"
  file=$clips/$pix_fmt.y4m
  ffmpeg -v error -f lavfi -i "testsrc2=size=1920x1080:rate=25" -frames:v "$frames" -pix_fmt "$pix_fmt" \
    -strict -1 -f yuv4mpegpipe -y "$file"
  for controls in "luma" "luma + chroma"; do
    if [ "$controls" = luma ]; then
      args="" unsharp="unsharp=5:5:0.25:5:5:0" pipeline=0
    else
      args="--no-luma-only" unsharp="unsharp=5:5:0.25:5:5:0.125" pipeline=1
    fi
    read -r q1 q1cpu <<<"$(median_of "build/native/quorlin --quiet --threads 1 $args $file - >/dev/null")"
    read -r q2 q2cpu <<<"$(median_of "build/native/quorlin --quiet --threads 2 $args $file - >/dev/null")"
    ffmpeg_run="ffmpeg -nostdin -v error -threads 1 -i $file -strict -1"
    read -r u1 u1cpu <<<"$(median_of "$ffmpeg_run -filter_threads 1 -vf $unsharp -f yuv4mpegpipe - >/dev/null")"
    read -r u2 u2cpu <<<"$(median_of "$ffmpeg_run -filter_threads 2 -vf $unsharp -f yuv4mpegpipe - >/dev/null")"
    read -r c c_cpu <<<"$(median_of "$ffmpeg_run -f yuv4mpegpipe - >/dev/null")"
    f1=$(filter_ms "$pipeline" 1)
    f2=$(filter_ms "$pipeline" 2)
    printf "| %s %s | %s | %s (%s) | %s (%s) | %s (%s) | %s (%s) | %s (%s) | %.2f / %s | %.2f / %s |\n" \
      "$depth" "$layout" "$controls" "$q1" "$q1cpu" "$q2" "$q2cpu" "$u1" "$u1cpu" "$u2" "$u2cpu" "$c" "$c_cpu" \
      "$(awk -v f="$q1" 'BEGIN {print 1000 / f}')" "$f1" "$(awk -v f="$q2" 'BEGIN {print 1000 / f}')" "$f2"
  done
  rm -f "$file"
done
