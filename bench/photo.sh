#!/usr/bin/env bash
# A photograph through quorlin as users run it: a 24-megapixel JPEG
# (6000x4000, 4:2:0, made by ffmpeg from the sample photograph, enlarged,
# with film-grain noise for a camera's detail and file size) sharpened
# into a JPEG at the default quality 95, with 1 and 2 threads: the whole
# run and its decode, sharpen (the filter) and encode (and write) steps as
# quorlin --progress times them. In the same run, ffmpeg on the same file
# with its own unsharp filter at its defaults, `ffmpeg -i in.jpg -vf unsharp
# out.jpg`, held to as many processors with taskset. Prints seconds,
# medians of REPETITIONS runs.
# Usage: bench/photo.sh [REPETITIONS]
set -euo pipefail
cd "$(dirname "$0")/.."
reps=${1:-5}

scripts/setup.sh native
cmake --preset native >/dev/null
cmake --build --preset native -j2 --target quorlin >/dev/null
quorlin=$PWD/build/native/quorlin
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

ffmpeg -v error -i "$OLDPWD/assets/coffee.png" \
  -vf scale=6000:4000:flags=lanczos,noise=alls=12:allf=t -pix_fmt yuvj420p -q:v 2 in.jpg
echo "in.jpg: $(stat -c %s in.jpg) bytes"

median() { sort -n | awk '{v[NR] = $1} END {printf "%.3f", v[int((NR + 1) / 2)]}'; }

# Wall seconds of a command line.
wall() {
  local TIMEFORMAT='%R' t
  t=$( { time bash -c "$1" >/dev/null 2>&1; } 2>&1 | tail -n1)
  echo "$t"
}

printf '%-34s %7s %7s %7s %7s %9s\n' "6000x4000 4:2:0 JPEG" total decode sharpen encode "out bytes"
for threads in 1 2; do
  cpus=$(seq -s, 0 $((threads - 1)))
  : >quorlin.times
  for ((i = 0; i < reps; i++)); do
    start=$(date +%s.%N)
    line=$(taskset -c "$cpus" "$quorlin" --progress --threads "$threads" in.jpg out.jpg 2>&1)
    end=$(date +%s.%N)
    # "wrote out.jpg (...) in T s: decode D s, sharpen S s, encode E s"
    echo "$line" | sed -n 's/.*: decode \([0-9.]*\) s, sharpen \([0-9.]*\) s, encode \([0-9.]*\) s.*/\1 \2 \3/p' |
      awk -v start="$start" -v end="$end" '{print end - start, $1, $2, $3}' >>quorlin.times
  done
  printf '%-34s %7s %7s %7s %7s %9s\n' "quorlin, $threads thread(s)" \
    "$(cut -d' ' -f1 quorlin.times | median)" "$(cut -d' ' -f2 quorlin.times | median)" \
    "$(cut -d' ' -f3 quorlin.times | median)" "$(cut -d' ' -f4 quorlin.times | median)" "$(stat -c %s out.jpg)"
  for ((i = 0; i < reps; i++)); do
    wall "taskset -c $cpus ffmpeg -v error -y -i in.jpg -vf unsharp ff.jpg"
  done >ffmpeg.times
  printf '%-34s %7s %7s %7s %7s %9s\n' "ffmpeg -vf unsharp, $threads processor(s)" "$(median <ffmpeg.times)" - - - \
    "$(stat -c %s ff.jpg)"
done
