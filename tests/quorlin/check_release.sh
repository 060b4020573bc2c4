#!/usr/bin/env bash
# The release zip holds exactly the plug-ins as built, stripped of their
# symbol tables, and the Japanese read-me, readable as Shift-JIS, naming the
# files to copy, where they go, and every control.
#   check_release.sh WIN32_BUILD_DIR WIN64_BUILD_DIR SCRATCH_DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/tests/wine/wine_env.sh"
build_dir=${1:-} win64_dir=${2:-} scratch=$3
fail() { echo "FAIL: $*" >&2; exit 1; }
require_tools zip unzip i686-w64-mingw32-strip i686-w64-mingw32-objdump x86_64-w64-mingw32-strip
require_files "$build_dir/QuorlinSIMD.auf"
wine_bits=64 require_files "$win64_dir/Quorlin.auf2"

rm -rf "$scratch"
zip_path=$("$root/scripts/release.sh" --zip --build-dir "$build_dir" --win64-dir "$win64_dir" --no-build --out "$scratch")
[[ $(basename "$zip_path") =~ ^QuorlinSIMD-[0-9]+\.[0-9]+\.zip$ ]] || fail "zip named $zip_path"

names=$(unzip -Z1 "$zip_path" | sort | tr '\n' ' ')
[ "$names" = "Quorlin.auf2 QuorlinSIMD.auf QuorlinSIMD.txt " ] || fail "zip holds: $names"
unzip -q "$zip_path" -d "$scratch/unpacked"
SOURCE_DATE_EPOCH=$(stat -c %Y "$build_dir/QuorlinSIMD.auf") \
  i686-w64-mingw32-strip -o "$scratch/stripped.auf" "$build_dir/QuorlinSIMD.auf"
cmp "$scratch/unpacked/QuorlinSIMD.auf" "$scratch/stripped.auf" || fail "the .auf is not the build's, stripped"
! grep -q '^\[' <<<"$(i686-w64-mingw32-objdump -t "$scratch/unpacked/QuorlinSIMD.auf")" || fail "the .auf has symbols"
SOURCE_DATE_EPOCH=$(stat -c %Y "$win64_dir/Quorlin.auf2") \
  x86_64-w64-mingw32-strip -o "$scratch/stripped.auf2" "$win64_dir/Quorlin.auf2"
cmp "$scratch/unpacked/Quorlin.auf2" "$scratch/stripped.auf2" || fail "the .auf2 is not the build's, stripped"

readme=$(iconv -f CP932 -t UTF-8 "$scratch/unpacked/QuorlinSIMD.txt") || fail "read-me is not Shift-JIS"
grep -q $'\r$' <<<"$readme" || fail "read-me lines do not end in CRLF"
version=$(basename "$zip_path" .zip | cut -d- -f2)
for text in "version $version" QuorlinSIMD.auf aviutl.exe Quorlin.auf2 'C:\ProgramData\aviutl2\Plugin' ぼかし幅 明強度 明閾値 明Limit 色強度 色閾値 \
  色Limit インターレース処理 輝度のみ 制限値あり; do
  grep -qF "$text" <<<"$readme" || fail "read-me does not mention $text"
done
echo "release zip: $(basename "$zip_path") holds $names; the plug-in stripped: $(stat -c %s "$scratch/unpacked/QuorlinSIMD.auf") bytes, $(stat -c %s "$build_dir/QuorlinSIMD.auf") as built"
