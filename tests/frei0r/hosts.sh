#!/usr/bin/env bash
# quorlin.so in a real frei0r host, on frames of ffmpeg's testsrc2: the host's
# frames must be, byte for byte, what quorlin makes of the same frames as PNG
# pictures.
#   hosts.sh ffmpeg    ...  the installed plug-in, through -vf frei0r; clamped bad values
#   hosts.sh melt      ...  MLT's frei0r filter rendering to a file, headless; strength 0 gives the source
#   hosts.sh gstreamer ...  GStreamer's frei0r element, against ffmpeg's frames and at an odd size
# Arguments after the host: QUORLIN PLUGIN_DIR BUILD_DIR SCRATCH_DIR.
set -euo pipefail
host=$1 quorlin=$2 plugin_dir=$3 build_dir=$4 scratch=$5
fail() { echo "FAILED: $*" >&2; exit 1; }
need() { command -v "$1" >/dev/null || fail "$1 is missing: scripts/setup.sh installs it"; }
need ffmpeg

export FREI0R_PATH=$plugin_dir
rm -rf "$scratch" && mkdir -p "$scratch" && cd "$scratch"
frames=4

# clip NAME LAVFI_GRAPH: NAME1.png.. and the same frames as NAME.rgba, one raw RGBA stream.
clip() {
  ffmpeg -v error -f lavfi -i "$2" -frames:v $frames -pix_fmt rgba "$1%d.png"
  ffmpeg -v error -i "$1%d.png" -f rawvideo -pix_fmt rgba "$1.rgba"
}
# expect CLIP NAME [OPTION...]: quorlin's frames of the clip's PNGs as NAME.rgba.
expect() {
  local clip=$1 name=$2 i
  shift 2
  for i in $(seq $frames); do "$quorlin" --quiet "$@" "$clip$i.png" "q$i.png"; done
  ffmpeg -v error -y -i q%d.png -f rawvideo -pix_fmt rgba "$name.rgba"
}
same() { cmp -s "$1" "$2" || fail "$3: $1 and $2 differ"; }
differ() { ! cmp -s "$1" "$2" || fail "$3: $1 is $2"; }

clip src testsrc2=size=320x240:rate=25
# Limit mode on luma and chroma, as quorlin options and as frei0r doubles
# (radius 3 at 2/9, luma strength 160 at 160/256, ...).
limit_options=(--radius 3 --luma-strength 160 --luma-threshold 4 --luma-limit 2 --chroma-strength 200
               --chroma-limit 1 --no-luma-only --limit)
expect src limit "${limit_options[@]}"
differ limit.rgba src.rgba "the limit-mode setting"
# ffmpeg takes the parameters in order, booleans as y and n.
ffmpeg_limit='0.2222|0.625|0.008|0.53125|0.78125|0|0.03125|n|n|y'
# ffmpeg_frei0r CLIP SIZE :PARAMETERS OUTPUT: the clip's raw frames through ffmpeg's frei0r filter.
ffmpeg_frei0r() {
  ffmpeg -v error -y -f rawvideo -pix_fmt rgba -s "$2" -i "$1.rgba" -vf "frei0r=quorlin$3" \
    -f rawvideo -pix_fmt rgba "$4"
}

case $host in
ffmpeg)
  cmake --install "$build_dir" --prefix prefix >/dev/null
  [ -f prefix/lib/frei0r-1/quorlin.so ] || fail "cmake --install put no quorlin.so in lib/frei0r-1"
  export FREI0R_PATH=$PWD/prefix/lib/frei0r-1
  ffmpeg -v error -f lavfi -i testsrc2=size=320x240:rate=25 -frames:v $frames -vf frei0r=quorlin \
    -f rawvideo -pix_fmt rgba out.rgba
  expect src defaults
  same out.rgba defaults.rgba "defaults"
  ffmpeg_frei0r src 320x240 ":$ffmpeg_limit" out.rgba
  same out.rgba limit.rgba "limit mode, luma and chroma"
  # NaN leaves the radius at its default; 1e9 and -4 clamp to the ends of
  # the strength's and the threshold's ranges.
  ffmpeg_frei0r src 320x240 ':nan|1e9|-4' out.rgba
  expect src clamped --luma-strength 256
  same out.rgba clamped.rgba "nan|1e9|-4"
  ;;
melt)
  need melt
  [[ $(melt -query filters 2>/dev/null) == *frei0r.quorlin* ]] ||
    fail "melt does not find frei0r.quorlin in $plugin_dir"
  ffmpeg -v error -i src%d.png -c:v png src.mov
  # render OUTPUT [PROPERTY=VALUE...]: the clip through the filter. The
  # consumer renders every frame in its own thread (real_time=0): in real
  # time, as by default, it drops the frames it is late for on a busy
  # machine. There melt also, with or without a filter, now and then stops
  # before its first frame or hangs there: such a run is made again.
  render() {
    local out=$1 try
    shift
    for try in 1 2 3; do
      rm -f "$out"
      timeout 30 melt -silent -quiet src.mov -filter frei0r.quorlin "$@" \
        -consumer "avformat:$out" f=rawvideo vcodec=rawvideo pix_fmt=rgba real_time=0 && [ -s "$out" ] && return
      echo "melt run $try wrote no frame or hung" >&2
    done
    fail "melt wrote no frame in $try runs"
  }
  render out.rgba
  expect src defaults
  differ defaults.rgba src.rgba "the defaults"
  same out.rgba defaults.rgba "defaults"
  render out.rgba luma-strength=0
  same out.rgba src.rgba "strength 0"
  render out.rgba radius=0.2222 luma-strength=0.625 luma-threshold=0.008 luma-limit=0.53125 chroma-strength=0.78125 \
    chroma-limit=0.03125 luma-only=0 limit=1
  same out.rgba limit.rgba "limit mode, luma and chroma"
  ;;
gstreamer)
  need gst-launch-1.0
  # A registry of its own, so that no registry cached from another build is read.
  export GST_REGISTRY=$PWD/registry.bin
  gst-inspect-1.0 frei0r-filter-quorlin >/dev/null 2>&1 ||
    fail "GStreamer has no frei0r-filter-quorlin: scripts/setup.sh installs gstreamer1.0-plugins-bad"
  # gst CLIP WIDTH HEIGHT OUTPUT [PROPERTY=VALUE...]
  gst() {
    local clip=$1 width=$2 height=$3 out=$4
    shift 4
    gst-launch-1.0 -q filesrc location="$clip.rgba" blocksize=$((width * height * 4)) \
      ! rawvideoparse width="$width" height="$height" format=rgba framerate=25/1 \
      ! frei0r-filter-quorlin "$@" ! filesink location="$out"
  }
  gst src 320 240 out.rgba radius=0.2222 luma-strength=0.625 luma-threshold=0.008 luma-limit=0.53125 \
    chroma-strength=0.78125 chroma-limit=0.03125 luma-only=false limit=true
  ffmpeg_frei0r src 320x240 ":$ffmpeg_limit" ffmpeg.rgba
  same out.rgba ffmpeg.rgba "limit mode, luma and chroma, against ffmpeg"
  same out.rgba limit.rgba "limit mode, luma and chroma"
  # ffmpeg hands frei0r rows padded to 64 bytes as if they were packed, so
  # odd sizes are compared with quorlin alone (testsrc2 makes even sizes).
  clip odd testsrc2=size=72x48:rate=25,scale=71:45
  gst odd 71 45 out.rgba
  expect odd odd_defaults
  same out.rgba odd_defaults.rgba "71x45 at the defaults"
  ;;
*)
  fail "unknown host $host"
  ;;
esac
echo "frei0r.$host: the host's frames are quorlin's"
