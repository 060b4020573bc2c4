#!/usr/bin/env bash
# quorlinsharpen in real GStreamer pipelines: its frames must be, byte for
# byte, what quorlin makes of the same stream as Y4M.
#   element.sh inspect     ...  gst-inspect-1.0 lists the caps and the properties with quorlin's ranges
#   element.sh install     ...  cmake --install puts the plug-in where GStreamer finds it
#   element.sh y4m         ...  8-bit 4:2:0, 4:2:2, 4:4:4 at an odd size through y4mdec and y4menc
#   element.sh raw         ...  10-bit 4:2:0, 16-bit 4:4:4 and 8-bit YV12 raw frames through rawvideoparse
#   element.sh range       ...  full-range caps give the full-range frames; grey is full range
#   element.sh ramp        ...  a GstController ramps luma-strength frame by frame
#   element.sh passthrough ...  strength 0 gives the frames untouched, and passes them by unlooked at
#   element.sh refusal     ...  a format it does not take, and a frame the library refuses
# Arguments after the case: QUORLIN PLUGIN_DIR BUILD_DIR SCRATCH_DIR [RAMP].
set -euo pipefail
case=$1 quorlin=$2 plugin_dir=$3 build_dir=$4 scratch=$5 ramp=${6:-}
fail() { echo "FAILED: $*" >&2; exit 1; }
need() { command -v "$1" >/dev/null || fail "$1 is missing: scripts/setup.sh installs it"; }
need ffmpeg
need gst-launch-1.0

export GST_PLUGIN_PATH=$plugin_dir
# A registry of its own, so that no registry cached from another build is read.
export GST_REGISTRY=$scratch/registry.bin
rm -rf "$scratch" && mkdir -p "$scratch" && cd "$scratch"
gst-inspect-1.0 quorlinsharpen >/dev/null 2>&1 || fail "GStreamer finds no quorlinsharpen in $plugin_dir"
frames=3

# clip NAME PIX_FMT SIZE [FILTER]: NAME.y4m, frames of ffmpeg's testsrc2.
clip() {
  ffmpeg -v error -f lavfi -i "testsrc2=size=$3:rate=25${4:+,$4}" -frames:v $frames -pix_fmt "$2" -strict -1 "$1.y4m"
}
# body Y4M: the frames, without the stream header (whose tags the writers put differently).
body() { tail -c +$(($(head -n1 "$1" | wc -c) + 1)) "$1"; }
# raw Y4M RAW: the frames with no header nor FRAME lines, as GStreamer lays them out at even sizes.
raw() { ffmpeg -v error -y -i "$1" -f rawvideo "$2"; }
# part FILE OFFSET LENGTH: LENGTH bytes of the file from OFFSET.
part() { dd if="$1" iflag=skip_bytes,count_bytes skip="$2" count="$3" status=none; }
same() { cmp -s "$1" "$2" || fail "$3: $1 and $2 differ"; }
differ() { ! cmp -s "$1" "$2" || fail "$3: $1 is $2"; }
# properties OPTION...: quorlin's options as the element's properties.
properties() {
  local out=()
  while [ $# -gt 0 ]; do
    case $1 in
    --no-*) out+=("${1#--no-}=false") ;;
    --interlace | --luma-only | --limit) out+=("${1#--}=true") ;;
    *) out+=("${1#--}=$2") && shift ;;
    esac
    shift
  done
  echo "${out[@]}"
}
limit_options=(--radius 3 --luma-strength 160 --luma-threshold 4 --luma-limit 2 --chroma-strength 200
               --chroma-limit 1 --no-luma-only --limit)

# y4m CLIP OPTION...: the clip through y4mdec, the element and y4menc gives quorlin's frames.
y4m() {
  local clip=$1
  shift
  # shellcheck disable=SC2046
  gst-launch-1.0 -q filesrc location="$clip.y4m" ! y4mdec ! quorlinsharpen $(properties "$@") ! y4menc \
    ! filesink location=out.y4m
  "$quorlin" --quiet "$@" "$clip.y4m" expected.y4m
  body out.y4m >out.frames
  body expected.y4m >expected.frames
  same out.frames expected.frames "$clip ${*:-at the defaults}"
  body "$clip.y4m" >in.frames
  differ out.frames in.frames "$clip ${*:-at the defaults}"
}
# gst_raw RAW FORMAT SIZE PARSE_PROPERTIES OUTPUT OPTION...: raw frames through rawvideoparse and the element.
gst_raw() {
  local in=$1 format=$2 size=$3 parse=$4 out=$5
  shift 5
  # shellcheck disable=SC2046,SC2086
  gst-launch-1.0 -q filesrc location="$in" ! rawvideoparse format="$format" width="${size%x*}" height="${size#*x}" \
    framerate=25/1 $parse ! quorlinsharpen $(properties "$@") ! filesink location="$out"
}
# raw_case CLIP FORMAT SIZE PARSE_PROPERTIES OPTION...: the clip's frames as raw frames through
# rawvideoparse and the element are quorlin's frames of the clip.
raw_case() {
  local clip=$1 format=$2 size=$3 parse=$4
  shift 4
  raw "$clip.y4m" in.raw
  gst_raw in.raw "$format" "$size" "$parse" out.raw "$@"
  "$quorlin" --quiet "$@" "$clip.y4m" expected.y4m
  raw expected.y4m expected.raw
  same out.raw expected.raw "$clip as $format ($parse) with ${*:-the defaults}"
  differ out.raw in.raw "$clip as $format ($parse) with ${*:-the defaults}"
}

case $case in
inspect)
  gst-inspect-1.0 quorlinsharpen >inspect.txt
  formats=$(sed -n '/SINK template/,/SRC template/s/^ *format: //p' inspect.txt)
  want='{ (string)I420, (string)YV12, (string)Y42B, (string)Y444, (string)GRAY8, (string)I420_10LE, (string)I420_12LE, (string)I422_10LE, (string)I422_12LE, (string)Y444_10LE, (string)Y444_12LE, (string)Y444_16LE, (string)GRAY16_LE }'
  [ "$formats" = "$want" ] || fail "sink formats: $formats"
  [ "$(grep -c '^ *format: ' inspect.txt)" = 2 ] || fail "the pads do not both list the formats"
  [ "$(grep -c '^ *interlace-mode: { (string)progressive, (string)interleaved, (string)mixed }' inspect.txt)" = 2 ] ||
    fail "the pads do not both list the interlace modes"
  # Every control quorlin has an option for, with quorlin's range and default.
  controls=0
  while read -r option range default; do
    controls=$((controls + 1))
    name=${option#--} name=${name#\[no-\]}
    info=$(grep -A2 "^  $name  *:" inspect.txt) || fail "no property $name"
    [[ $info == *"flags: readable, writable, controllable"* ]] || fail "$name is not controllable"
    if [ "$range" = on/off ]; then
      want="Boolean. Default: $([ "$default" = on ] && echo true || echo false)"
    else
      want="Integer. Range: ${range%..*} - ${range#*..} Default: $default"
    fi
    [[ $info == *"$want"* ]] || fail "$name: not $want: $info"
  done < <("$quorlin" --help | sed -n 's/^  \(--[^ ]*\) [^,]*, \([^,]*\), default \(.*\)$/\1 \2 \3/p')
  [ $controls = 10 ] || fail "quorlin --help lists $controls controls"
  info=$(grep -A2 '^  threads  *:' inspect.txt) || fail "no property threads"
  [[ $info == *"Integer. Range: 0 - 256 Default: 0"* ]] || fail "threads: $info"
  # The ten controls, threads and GstObject's name, parent and GstBaseTransform's qos.
  [ "$(grep -c '^  [a-z-]*  *: ' inspect.txt)" = 14 ] || fail "not eleven properties of its own"
  ;;
install)
  cmake --install "$build_dir" --prefix "$PWD/prefix" >/dev/null
  gst_prefix=$(pkg-config --variable=prefix gstreamer-1.0)
  plugins_dir=$(pkg-config --variable=pluginsdir gstreamer-1.0)
  installed=$PWD/prefix${plugins_dir#"$gst_prefix"}
  [ -f "$installed/libgstquorlin.so" ] || fail "cmake --install put no libgstquorlin.so in ${plugins_dir#"$gst_prefix"}"
  GST_PLUGIN_PATH=$installed GST_REGISTRY=$PWD/installed.bin gst-inspect-1.0 quorlinsharpen >inspect.txt ||
    fail "GStreamer does not load the installed plug-in"
  grep -q "Filename  *$installed/libgstquorlin.so" inspect.txt || fail "GStreamer loaded another plug-in"
  ;;
y4m)
  for pix_fmt in yuv420p yuv422p yuv444p; do
    clip "$pix_fmt" "$pix_fmt" 72x48 scale=71:45
    y4m "$pix_fmt"
    y4m "$pix_fmt" "${limit_options[@]}"
  done
  # It: interlaced caps switch the field-aware mode on, unless the property is set.
  ffmpeg -v error -f lavfi -i testsrc2=size=72x48:rate=25 -vf setfield=tff -frames:v $frames -pix_fmt yuv420p tff.y4m
  [[ $(head -n1 tff.y4m) == *" It "* ]] || fail "ffmpeg wrote no It"
  y4m tff --luma-strength 200
  cp out.frames fields.frames
  y4m tff --luma-strength 200 --no-interlace
  differ fields.frames out.frames "field-aware mode on an It stream"
  ;;
raw)
  clip ten yuv420p10le 96x64
  raw_case ten i420-10le 96x64 "" "${limit_options[@]}"
  # YV12 holds Cr before Cb; the two are sharpened alike.
  clip eight yuv420p 96x64
  raw_case eight yv12 96x64 "" "${limit_options[@]}"
  clip sixteen yuv444p16le 96x64
  raw_case sixteen y444-16le 96x64 "" "${limit_options[@]}"
  raw_case sixteen y444-16le 96x64 ""
  ;;
range)
  ffmpeg -v error -f lavfi -i testsrc2=size=96x64:rate=25 -frames:v $frames -color_range pc -pix_fmt yuv420p10le \
    -strict -1 full.y4m
  [[ $(head -n1 full.y4m) == *XCOLORRANGE=FULL* ]] || fail "ffmpeg wrote no XCOLORRANGE=FULL"
  { head -n1 full.y4m | sed 's/XCOLORRANGE=FULL/XCOLORRANGE=LIMITED/' && body full.y4m; } >limited.y4m
  # colorimetry range:matrix:transfer:primaries, with 1 for 0..255 and 4 for BT.601.
  raw_case full i420-10le 96x64 "colorimetry=1:4:0:0" --luma-strength 200 --no-luma-only
  cp out.raw full.raw
  raw_case limited i420-10le 96x64 "colorimetry=bt601" --luma-strength 200 --no-luma-only
  differ full.raw out.raw "full range"
  # Grey caps without colorimetry are full range, as ffmpeg writes grey Y4M; grey has luma alone.
  clip grey gray16le 96x64
  [[ $(head -n1 grey.y4m) == *XCOLORRANGE=FULL* ]] || fail "ffmpeg wrote no XCOLORRANGE=FULL for grey"
  raw_case grey gray16-le 96x64 "" --luma-strength 200 --no-luma-only
  ;;
ramp)
  # 0 at the first frame to 256 at the fifth: 64 more each frame of 40 ms.
  ffmpeg -v error -y -f lavfi -i testsrc2=size=64x48:rate=25 -frames:v 5 -pix_fmt yuv420p ramp.y4m
  "$ramp" "filesrc location=ramp.y4m ! y4mdec ! quorlinsharpen name=q luma-only=false ! y4menc \
           ! filesink location=out.y4m" q luma-strength 0=0 160000000=256
  header=$(head -n1 ramp.y4m | wc -c) frame=$((6 + 64 * 48 * 3 / 2))
  body out.y4m >out.frames
  for i in 0 1 2 3 4; do
    "$quorlin" --quiet --no-luma-only --luma-strength $((64 * i)) ramp.y4m expected.y4m
    part expected.y4m $((header + i * frame)) $frame >expected.frame
    part out.frames $((i * frame)) $frame >out.frame
    same out.frame expected.frame "frame $i of the ramp, at luma strength $((64 * i))"
  done
  ;;
passthrough)
  clip still yuv420p10le 96x64
  raw still.y4m in.raw
  gst_raw in.raw i420-10le 96x64 "" out.raw --luma-strength 0
  same out.raw in.raw "luma strength 0"
  gst_raw in.raw i420-10le 96x64 "" out.raw --luma-strength 0 --chroma-strength 0 --no-luma-only
  same out.raw in.raw "both strengths 0"
  # Limit mode moves samples at strength 0: the frames are quorlin's, not the source's.
  raw_case still i420-10le 96x64 "" --luma-strength 0 --limit --luma-limit -2
  # A frame the library would refuse is passed by, not looked at; grey has luma alone.
  gst-launch-1.0 -q videotestsrc num-buffers=1 pattern=black ! video/x-raw,format=GRAY8,width=19000,height=18900 \
    ! quorlinsharpen luma-strength=0 luma-only=false ! fakesink || fail "a grey frame at luma strength 0 was looked at"
  ;;
refusal)
  # The library takes no frame of more than 2^31 bytes as the editor's samples.
  status=0
  gst-launch-1.0 videotestsrc num-buffers=1 pattern=black ! video/x-raw,format=GRAY8,width=19000,height=18900 \
    ! quorlinsharpen ! fakesink >out.txt 2>&1 || status=$?
  [ $status = 1 ] || fail "a frame too large: exit status $status: $(cat out.txt)"
  grep -q "quorlinsharpen0: Cannot sharpen a 19000x18900 frame: bad argument" out.txt || fail "$(cat out.txt)"
  status=0
  gst-launch-1.0 videotestsrc num-buffers=1 ! video/x-raw,format=NV12 ! quorlinsharpen ! fakesink >out.txt 2>&1 ||
    status=$?
  [ $status = 1 ] || fail "NV12: exit status $status: $(cat out.txt)"
  grep -q "quorlinsharpen0 can't handle caps video/x-raw, format=(string)NV12" out.txt || fail "$(cat out.txt)"
  ;;
*)
  fail "unknown case $case"
  ;;
esac
echo "gstreamer.$case: passed"
