#!/usr/bin/env bash
# The ExEdit2 package as release.sh makes it: only the folders and files the
# editor installs, each once; the plug-in as built, stripped; package.ini in
# ASCII; and a language file (UTF-8 without a byte-order mark, CRLF) whose
# section is the filter's name and whose keys are the item names, each once,
# both as the plug-in's own table gives them when it is loaded under wine64.
#   check_au2pkg.sh WIN64_BUILD_DIR NATIVE_BUILD_DIR SCRATCH_DIR
set -euo pipefail
export QUORLIN_WINE_BITS=64
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/tests/wine/wine_env.sh"
win64_dir=${1:-} native_dir=$2 scratch=$3
fail() { echo "FAIL: $*" >&2; exit 1; }
require_tools zip unzip x86_64-w64-mingw32-strip x86_64-w64-mingw32-g++
require_files "$win64_dir/Quorlin.auf2"
win64_dir=$(cd "$win64_dir" && pwd) native_dir=$(cd "$native_dir" && pwd)

rm -rf "$scratch" && mkdir -p "$scratch"
package=$("$root/scripts/release.sh" --au2pkg --win64-dir "$win64_dir" --native-dir "$native_dir" --no-build \
  --out "$scratch")
[[ $(basename "$package") =~ ^Quorlin-[0-9]+\.[0-9]+\.au2pkg\.zip$ ]] || fail "package named $package"

entries=$(unzip -Z1 "$package")
[ -z "$(sort <<<"$entries" | uniq -d)" ] || fail "entries more than once: $(sort <<<"$entries" | uniq -d)"
while read -r entry; do
  [[ $entry =~ ^(package\.ini|package\.txt|(Plugin|Script|Language|Alias|Figure|Transition|Preset|Default)/.*[^/])$ &&
     $entry != *..* ]] || fail "the editor does not install $entry"
done <<<"$entries"
for file in Plugin/Quorlin/Quorlin.auf2 Language/English.Quorlin.aul2 package.ini package.txt; do
  grep -qxF "$file" <<<"$entries" || fail "no $file"
done
unzip -q "$package" -d "$scratch/unpacked"
cd "$scratch/unpacked"

SOURCE_DATE_EPOCH=$(stat -c %Y "$win64_dir/Quorlin.auf2") \
  x86_64-w64-mingw32-strip -o "$scratch/stripped.auf2" "$win64_dir/Quorlin.auf2"
cmp Plugin/Quorlin/Quorlin.auf2 "$scratch/stripped.auf2" || fail "the .auf2 is not the build's, stripped"

! LC_ALL=C grep -q '[^[:print:][:space:]]' package.ini || fail "package.ini is not ASCII"
ini=$(tr -d '\r' <package.ini)
for line in '\[package\]' 'id=Quorlin' 'name=.+' 'information=.+' 'uninstallSubFolderFile=1'; do
  grep -qxE "$line" <<<"$ini" || fail "package.ini has no line $line"
done
iconv -f UTF-8 -t UTF-8 package.txt >/dev/null || fail "package.txt is not UTF-8"

# The plug-in's own table, read as the editor reads it.
x86_64-w64-mingw32-g++ -std=c++20 -O1 -static -I"$root" "$root/tests/packaging/auf2_table.cpp" \
  -o "$scratch/auf2_table.exe"
prepare_wine_prefix
table=$(run_wine "$scratch/auf2_table.exe" "$(windows_path "$PWD/Plugin/Quorlin/Quorlin.auf2")") ||
  fail "the packaged plug-in's table cannot be read"
name=$(sed -n 's/^name\t//p' <<<"$table")
items=$(sed -n 's/^item\t//p' <<<"$table")
[ "$(wc -l <<<"$items")" -eq 10 ] || fail "the table has not ten items: $items"
grep -qx $'create\tnull' <<<"$table" && grep -qx $'destroy\tnull' <<<"$table" ||
  fail "func_create and func_destroy are not null"

language=Language/English.Quorlin.aul2
[ "$(head -c3 "$language" | od -An -tx1 | tr -d ' ')" != efbbbf ] || fail "the language file starts with a BOM"
iconv -f UTF-8 -t UTF-8 "$language" >/dev/null || fail "the language file is not UTF-8"
lines=$(wc -l <"$language")
[ "$(grep -c $'\r$' "$language")" -eq "$lines" ] && [ "$(tail -c2 "$language" | od -An -tx1 | tr -d ' ')" = 0d0a ] ||
  fail "the language file's lines do not all end in CRLF"
text=$(tr -d '\r' <"$language")
[ "$(head -n1 <<<"$text")" = "[$name]" ] || fail "the language file's first line is not [$name]"
body=$(tail -n +2 <<<"$text")
! grep -vqE '^[^=]+=[ -~]+$' <<<"$body" || fail "lines not Japanese=English: $(grep -vE '^[^=]+=[ -~]+$' <<<"$body")"
[ "$(cut -d= -f1 <<<"$body" | sort)" = "$(sort <<<"$items")" ] ||
  fail "the language file's names are not the table's items, each once: $(cut -d= -f1 <<<"$body" | tr '\n' ' ')"
while read -r item; do
  grep -qF "$item" package.txt || fail "package.txt does not name $item"
done <<<"$items"
echo "au2pkg: $(basename "$package") holds $(tr '\n' ' ' <<<"$entries"); [$name] and $(wc -l <<<"$body") names"
