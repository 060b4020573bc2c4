#!/usr/bin/env bash
# The Debian packages as release.sh builds them, unpacked with dpkg -x into a
# scratch root, never installed: every package of debian/control at the
# project's version, every file in its place and no other; the unpacked
# quorlin sharpens the sample picture as the build tree's quorlin does; a C
# program builds against the unpacked development files and runs on the
# unpacked library; ffmpeg loads the unpacked frei0r plug-in by FREI0R_PATH
# and its frames are the unpacked quorlin's; GStreamer loads the unpacked
# element; lintian finds no error.
#   check_debs.sh QUORLIN SCRATCH_DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
quorlin=$1 scratch=$2
fail() { echo "FAIL: $*" >&2; exit 1; }
for tool in dpkg-buildpackage lintian ffmpeg pkg-config cc; do
  command -v "$tool" >/dev/null || fail "$tool is missing: scripts/setup.sh installs it"
done

rm -rf "$scratch" && mkdir -p "$scratch"
"$root/scripts/release.sh" --debs --out "$scratch/debs" >/dev/null
version=$(sed -n 's/^project(Quorlin VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
arch=$(dpkg --print-architecture)
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
lib=usr/lib/$multiarch

# files PACKAGE: what the package must hold, besides its directories.
files() {
  echo "usr/share/doc/$1/changelog.gz"
  echo "usr/share/doc/$1/copyright"
  case $1 in
    libquorlin2) printf '%s\n' "$lib/libquorlin.so.${version%%.*}" "$lib/libquorlin.so.$version" ;;
    libquorlin-dev) printf '%s\n' usr/include/quorlin/quorlin.h "$lib/libquorlin.so" "$lib/pkgconfig/quorlin.pc" ;;
    quorlin) printf '%s\n' usr/bin/quorlin usr/share/man/man1/quorlin.1.gz ;;
    frei0r-plugins-quorlin) echo usr/lib/frei0r-1/quorlin.so ;;
    gstreamer1.0-quorlin) echo "$(pkg-config --variable=pluginsdir gstreamer-1.0 | sed 's#^/##')/libgstquorlin.so" ;;
  esac
}
packages=(libquorlin2 libquorlin-dev quorlin frei0r-plugins-quorlin gstreamer1.0-quorlin)
[ "$(cd "$scratch/debs" && ls)" = "$(printf "%s_${version}_$arch.deb\n" "${packages[@]}" | sort)" ] ||
  fail "built $(ls "$scratch/debs" | tr '\n' ' '), not ${packages[*]} at version $version"
for package in "${packages[@]}"; do
  deb=$scratch/debs/${package}_${version}_$arch.deb
  dpkg-deb -c "$deb" | grep -v '^d' | awk '{print $6}' | sed 's#^\./##' | sort >"$scratch/held"
  files "$package" | sort | diff - "$scratch/held" >&2 || fail "$package does not hold what it must (< missing, > extra)"
  dpkg -x "$deb" "$scratch/root"
done
dpkg-deb -I "$scratch/debs/libquorlin2_${version}_$arch.deb" symbols >/dev/null || fail "libquorlin2 has no symbols file"
# The man page is the command's --help, its controls' editor names in UTF-8 too.
# Each tool's whole output is read before grep looks at it: grep -q stops at
# the first match, and under pipefail the writer's SIGPIPE would fail the check.
grep -q 'ぼかし幅' <<<"$(zcat "$scratch/root/usr/share/man/man1/quorlin.1.gz")" || fail "the man page lost the controls' names"
grep -qx "  SONAME               libquorlin.so.${version%%.*}" <<<"$(objdump -p "$scratch/root/$lib/libquorlin.so.$version")" ||
  fail "the library's soname is not libquorlin.so.${version%%.*}"

export LD_LIBRARY_PATH=$scratch/root/$lib
unpacked=$scratch/root/usr/bin/quorlin
# raw PNG...: the pictures' pixels, whatever their files' encoding.
raw() { ffmpeg -v error -i "$1" -f rawvideo -pix_fmt rgba -; }
mkdir "$scratch/unpacked" "$scratch/tree"
(cd "$scratch/unpacked" && "$unpacked" --quiet) || fail "the unpacked quorlin did not run"
(cd "$scratch/tree" && "$quorlin" --quiet)
cmp <(raw "$scratch/unpacked/coffee.sharpened.png") <(raw "$scratch/tree/coffee.sharpened.png") ||
  fail "the unpacked quorlin's sample picture is not the build tree's"

export PKG_CONFIG_PATH=$scratch/root/$lib/pkgconfig
# shellcheck disable=SC2046
cc -std=c99 -Wall -Wextra -pedantic -Werror -o "$scratch/sharpen_frame" "$root/tests/install/sharpen_frame.c" \
  $(pkg-config --cflags --libs quorlin) || fail "a C program does not build against the unpacked libquorlin-dev"
grep -qF "$scratch/root/$lib/libquorlin.so.${version%%.*}" <<<"$(ldd "$scratch/sharpen_frame")" ||
  fail "the C program does not load the unpacked library"
out=$("$scratch/sharpen_frame") && [[ $out == "status 0;"* ]] || fail "the C program on the unpacked library: $out"

GST_REGISTRY=$scratch/registry.bin gst-inspect-1.0 "$scratch/root/$(files gstreamer1.0-quorlin | tail -n1)" >/dev/null ||
  fail "GStreamer does not load the unpacked element"

cd "$scratch"
frames=2
ffmpeg -v error -f lavfi -i testsrc2=size=160x120:rate=25 -frames:v $frames -pix_fmt rgba src%d.png
for i in $(seq $frames); do "$unpacked" --quiet "src$i.png" "q$i.png"; done
FREI0R_PATH=$scratch/root/usr/lib/frei0r-1 ffmpeg -v error -i src%d.png -vf frei0r=quorlin \
  -f rawvideo -pix_fmt rgba frei0r.rgba || fail "ffmpeg does not load the unpacked frei0r plug-in"
cmp frei0r.rgba <(ffmpeg -v error -i q%d.png -f rawvideo -pix_fmt rgba -) ||
  fail "ffmpeg's frames through the unpacked frei0r plug-in are not the unpacked quorlin's"

lintian_status=0
lintian --display-info --fail-on error "$scratch"/debs/*.deb >lintian.txt 2>&1 || lintian_status=$?
grep -v 'running with root privileges' lintian.txt || true
[ "$lintian_status" -eq 0 ] || fail "lintian reports errors"
echo "debs: ${packages[*]} at $version, each file in its place; quorlin, the library and frei0r run unpacked"
