#!/usr/bin/env bash
# Makes the release zip, as AviUtl plug-ins ship: QuorlinSIMD.auf for AviUtl
# and Quorlin.auf2 for AviUtl ExEdit2, stripped of their symbol tables, and a
# short read-me in Japanese (Shift-JIS, CRLF, as the editor's users read it),
# in build/release/QuorlinSIMD-<version>.zip. The version is the one the built
# 32-bit plug-in reports.
#
#   scripts/release.sh [--build-dir DIR] [--win64-dir DIR] [--no-build] [--out DIR]
#     --build-dir DIR  the 32-bit build tree to use, configured and built here
#                      if needed (default: the win32 preset's build/win32)
#     --win64-dir DIR  the 64-bit build tree (default: the win64 preset's
#                      build/win64, configured and built here if needed)
#     --no-build       take the plug-ins as they are in the build trees
#     --out DIR        where the zip goes (default: build/release)
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=
win64_dir=build/win64
build=1
out_dir=build/release
while [ $# -gt 0 ]; do
  case $1 in
    --build-dir) build_dir=${2:?--build-dir needs a directory}; shift 2 ;;
    --win64-dir) win64_dir=${2:?--win64-dir needs a directory}; shift 2 ;;
    --no-build) build=0; shift ;;
    --out) out_dir=${2:?--out needs a directory}; shift 2 ;;
    *) echo "release: unknown argument $1 (see the top of $0)" >&2; exit 2 ;;
  esac
done

if [ "$build" -eq 1 ]; then
  if [ -z "$build_dir" ]; then
    build_dir=build/win32
    [ -f "$build_dir/build.ninja" ] || cmake --preset win32 >/dev/null
  else
    [ -f "$build_dir/build.ninja" ] ||
      cmake -S . -B "$build_dir" -G Ninja --toolchain cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
  fi
  cmake --build "$build_dir" -j2 --target QuorlinSIMD >/dev/null
  [ -f "$win64_dir/build.ninja" ] ||
    cmake -S . -B "$win64_dir" -G Ninja --toolchain cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$win64_dir" -j2 --target Quorlin_auf2 >/dev/null
fi
build_dir=${build_dir:-build/win32}
plugin64=$win64_dir/Quorlin.auf2
[ -f "$plugin64" ] || { echo "release: $plugin64 is missing: build the win64 preset" >&2; exit 1; }

plugin=$build_dir/QuorlinSIMD.auf
version=$(grep -ao 'version [0-9][0-9.]*' "$plugin" | head -n1 | cut -d' ' -f2)
[ -n "$version" ] || { echo "release: no version string in $plugin" >&2; exit 1; }

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
# The symbol tables are for the tests' disassembly checks, not for users.
# strip stamps the PE header with the time it runs unless SOURCE_DATE_EPOCH
# names one: the plug-in's own keeps the zip the same for the same build.
SOURCE_DATE_EPOCH=$(stat -c %Y "$plugin") i686-w64-mingw32-strip -o "$stage/QuorlinSIMD.auf" "$plugin"
SOURCE_DATE_EPOCH=$(stat -c %Y "$plugin64") x86_64-w64-mingw32-strip -o "$stage/Quorlin.auf2" "$plugin64"
sed "s/@VERSION@/$version/g; s/\$/\r/" packaging/readme.txt | iconv -f UTF-8 -t CP932 >"$stage/QuorlinSIMD.txt"

mkdir -p "$out_dir"
zip_path=$out_dir/QuorlinSIMD-$version.zip
rm -f "$zip_path"
# -X: no Unix owners or extra time stamps; -j: the files at the top level.
(cd "$stage" && zip -q -X -j release.zip QuorlinSIMD.auf Quorlin.auf2 QuorlinSIMD.txt)
mv "$stage/release.zip" "$zip_path"
echo "$zip_path"
