#!/usr/bin/env bash
# Makes the release files in build/release and prints their paths:
# - QuorlinSIMD-<version>.zip, as AviUtl plug-ins ship: QuorlinSIMD.auf for
#   AviUtl and Quorlin.auf2 for AviUtl ExEdit2, stripped of their symbol
#   tables, and a short read-me in Japanese (Shift-JIS, CRLF, as the editor's
#   users read it). The version is the one the built 32-bit plug-in reports.
# - Quorlin-<version>.au2pkg.zip, the package that ExEdit2 installs when it
#   is dropped on its preview window: the stripped Quorlin.auf2 in
#   Plugin/Quorlin, the English names of its controls in Language, and
#   package.ini and package.txt. The version is the one the .auf2 reports.
#   The texts that name the controls come from the library's control table,
#   through the native build tree's library.
# - the Debian packages (debian/), built in a copy of the tree
#   (packaging/build_debs.sh).
#
#   scripts/release.sh [--build-dir DIR] [--win64-dir DIR] [--native-dir DIR] [--no-build] [--out DIR]
#                      [--zip] [--au2pkg] [--debs]
#     --build-dir DIR   the 32-bit build tree to use, configured and built here
#                       if needed (default: the win32 preset's build/win32)
#     --win64-dir DIR   the 64-bit build tree (default: the win64 preset's
#                       build/win64, configured and built here if needed)
#     --native-dir DIR  the native build tree whose library the texts are
#                       made with (default: the native preset's build/native,
#                       configured and built here if needed)
#     --no-build        take the plug-ins and the library as they are in the
#                       build trees
#     --out DIR         where the files go (default: build/release)
#     --zip, --au2pkg, --debs
#                       make only the files named (default: all three)
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=
win64_dir=build/win64
native_dir=build/native
build=1
out_dir=build/release
products=()
while [ $# -gt 0 ]; do
  case $1 in
    --build-dir) build_dir=${2:?--build-dir needs a directory}; shift 2 ;;
    --win64-dir) win64_dir=${2:?--win64-dir needs a directory}; shift 2 ;;
    --native-dir) native_dir=${2:?--native-dir needs a directory}; shift 2 ;;
    --no-build) build=0; shift ;;
    --out) out_dir=${2:?--out needs a directory}; shift 2 ;;
    --zip | --au2pkg | --debs) products+=("${1#--}"); shift ;;
    *) echo "release: unknown argument $1 (see the top of $0)" >&2; exit 2 ;;
  esac
done
[ ${#products[@]} -gt 0 ] || products=(zip au2pkg debs)
making() { [[ " ${products[*]} " == *" $1 "* ]]; }

if [ "$build" -eq 1 ]; then
  if making zip; then
    if [ -z "$build_dir" ]; then
      build_dir=build/win32
      [ -f "$build_dir/build.ninja" ] || cmake --preset win32 >/dev/null
    else
      [ -f "$build_dir/build.ninja" ] ||
        cmake -S . -B "$build_dir" -G Ninja --toolchain cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
    fi
    cmake --build "$build_dir" -j2 --target QuorlinSIMD >/dev/null
  fi
  if making zip || making au2pkg; then
    [ -f "$win64_dir/build.ninja" ] ||
      cmake -S . -B "$win64_dir" -G Ninja --toolchain cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$win64_dir" -j2 --target Quorlin_auf2 >/dev/null
  fi
  if making au2pkg; then
    [ -f "$native_dir/build.ninja" ] || cmake -S . -B "$native_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$native_dir" -j2 --target quorlin_shared >/dev/null
  fi
fi
build_dir=${build_dir:-build/win32}
plugin64=$win64_dir/Quorlin.auf2
if making zip || making au2pkg; then
  [ -f "$plugin64" ] || { echo "release: $plugin64 is missing: build the win64 preset" >&2; exit 1; }
fi

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir -p "$out_dir"
# The symbol tables are for the tests' disassembly checks, not for users.
# strip stamps the PE header with the time it runs unless SOURCE_DATE_EPOCH
# names one: the plug-in's own keeps the files the same for the same build.
strip_plugin() { SOURCE_DATE_EPOCH=$(stat -c %Y "$2") "$1-w64-mingw32-strip" -o "$3" "$2"; }
# Text for Windows: CRLF line ends.
crlf() { sed 's/$/\r/'; }
# first_version TEXT: the number of TEXT's first "version N" line. The text is
# read whole, so no writer is cut off by a reader that stops early.
first_version() { local first=${1%%$'\n'*}; echo "${first#version }"; }

if making zip; then
  plugin=$build_dir/QuorlinSIMD.auf
  version=$(first_version "$(grep -ao 'version [0-9][0-9.]*' "$plugin" || true)")
  [ -n "$version" ] || { echo "release: no version string in $plugin" >&2; exit 1; }
  mkdir "$stage/zip"
  strip_plugin i686 "$plugin" "$stage/zip/QuorlinSIMD.auf"
  strip_plugin x86_64 "$plugin64" "$stage/zip/Quorlin.auf2"
  sed "s/@VERSION@/$version/g" packaging/readme.txt | crlf | iconv -f UTF-8 -t CP932 >"$stage/zip/QuorlinSIMD.txt"
  zip_path=$out_dir/QuorlinSIMD-$version.zip
  rm -f "$zip_path"
  # -X: no Unix owners or extra time stamps; -j: the files at the top level.
  (cd "$stage/zip" && zip -q -X -j release.zip QuorlinSIMD.auf Quorlin.auf2 QuorlinSIMD.txt)
  mv "$stage/zip/release.zip" "$zip_path"
  echo "$zip_path"
fi

if making au2pkg; then
  # The information string is UTF-16 in the 64-bit plug-in.
  version=$(first_version "$(strings -el "$plugin64" | grep -o 'version [0-9][0-9.]*' || true)")
  [ -n "$version" ] || { echo "release: no version string in $plugin64" >&2; exit 1; }
  library_dir=$native_dir/src
  [ -f "$library_dir/libquorlin.so" ] || { echo "release: $library_dir/libquorlin.so is missing: build the native preset" >&2; exit 1; }
  c++ -std=c++17 -O1 -Iinclude packaging/au2pkg_text.cpp -L"$library_dir" -lquorlin -o "$stage/au2pkg_text"
  text() { LD_LIBRARY_PATH=$library_dir "$stage/au2pkg_text" "$@"; }
  package=$stage/au2pkg
  mkdir -p "$package/Plugin/Quorlin" "$package/Language"
  strip_plugin x86_64 "$plugin64" "$package/Plugin/Quorlin/Quorlin.auf2"
  # The filter's name in the plug-in's table.
  text language Quorlin >"$package/Language/English.Quorlin.aul2"
  sed "s/@VERSION@/$version/g" packaging/package.ini | crlf >"$package/package.ini"
  text controls >"$stage/controls.txt"
  sed "s/@VERSION@/$version/g" packaging/package.txt | crlf |
    sed -e "/^@CONTROLS@/{r $stage/controls.txt" -e 'd}' >"$package/package.txt"
  find "$package" -exec touch -r "$plugin64" {} +
  au2pkg_path=$out_dir/Quorlin-$version.au2pkg.zip
  rm -f "$au2pkg_path"
  # -D: files alone, no entries for their folders.
  (cd "$package" && zip -q -X -D -r ../au2pkg.zip package.ini package.txt Plugin Language)
  mv "$stage/au2pkg.zip" "$au2pkg_path"
  echo "$au2pkg_path"
fi

if making debs; then
  packaging/build_debs.sh "$out_dir"
fi
