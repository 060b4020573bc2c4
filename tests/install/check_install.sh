#!/usr/bin/env bash
# Installs the build tree into a scratch prefix, then builds a C program
# against the installed header and library with nothing but pkg-config's
# flags, and runs it: one frame through the library.
#   check_install.sh BUILD_DIR SCRATCH_DIR C_PROGRAM
set -euo pipefail
build_dir=$1 scratch=$2 program=$3
fail() { echo "FAILED: $*" >&2; exit 1; }
command -v pkg-config >/dev/null || fail "pkg-config is missing: scripts/setup.sh installs it"

rm -rf "$scratch"
cmake --install "$build_dir" --prefix "$scratch/prefix" >/dev/null
for file in include/quorlin/quorlin.h bin/quorlin; do
  [ -f "$scratch/prefix/$file" ] || fail "cmake --install gave no $file"
done
libdir=$(dirname "$(find "$scratch/prefix" -name quorlin.pc | head -n1)")/..
[ -f "$libdir/pkgconfig/quorlin.pc" ] || fail "cmake --install gave no quorlin.pc"

export PKG_CONFIG_PATH=$libdir/pkgconfig
# shellcheck disable=SC2046
cc -std=c99 -Wall -Wextra -pedantic -Werror -o "$scratch/sharpen_frame" "$program" \
  $(pkg-config --cflags --libs quorlin) || fail "the C program does not build against the installed library"
out=$(LD_LIBRARY_PATH=$libdir "$scratch/sharpen_frame") || fail "the C program failed: $out"
echo "$out"
# The dark side of the edge gets darker, the light side lighter.
[[ $out =~ status\ 0\;\ across\ an\ edge:\ ([0-9]+)\ ([0-9]+) ]] || fail "unexpected output: $out"
[ "${BASH_REMATCH[1]}" -lt 1000 ] && [ "${BASH_REMATCH[2]}" -gt 3000 ] || fail "the edge was not sharpened: $out"
"$scratch/prefix/bin/quorlin" --help >/dev/null || fail "the installed quorlin does not run"
