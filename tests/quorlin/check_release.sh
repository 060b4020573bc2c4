#!/usr/bin/env bash
# The release zip holds exactly the plug-in as built and the Japanese read-me,
# readable as Shift-JIS, naming the file to copy and every control.
#   check_release.sh WIN32_BUILD_DIR SCRATCH_DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build_dir=$1 scratch=$2
fail() { echo "FAIL: $*" >&2; exit 1; }
command -v zip >/dev/null && command -v unzip >/dev/null ||
  fail "zip or unzip is missing: scripts/setup.sh installs them"

rm -rf "$scratch"
zip_path=$("$root/scripts/release.sh" --build-dir "$build_dir" --out "$scratch")
[[ $(basename "$zip_path") =~ ^QuorlinSIMD-[0-9]+\.[0-9]+\.zip$ ]] || fail "zip named $zip_path"

names=$(unzip -Z1 "$zip_path" | sort | tr '\n' ' ')
[ "$names" = "QuorlinSIMD.auf QuorlinSIMD.txt " ] || fail "zip holds: $names"
unzip -q "$zip_path" -d "$scratch/unpacked"
cmp "$scratch/unpacked/QuorlinSIMD.auf" "$build_dir/QuorlinSIMD.auf" || fail "the .auf differs from the build"

readme=$(iconv -f CP932 -t UTF-8 "$scratch/unpacked/QuorlinSIMD.txt") || fail "read-me is not Shift-JIS"
grep -q $'\r$' <<<"$readme" || fail "read-me lines do not end in CRLF"
version=$(basename "$zip_path" .zip | cut -d- -f2)
for text in "version $version" QuorlinSIMD.auf aviutl.exe ぼかし幅 明強度 明閾値 明Limit 色強度 色閾値 \
  色Limit インターレース処理 輝度のみ 制限値あり; do
  grep -qF "$text" <<<"$readme" || fail "read-me does not mention $text"
done
echo "release zip: $(basename "$zip_path") holds $names"
