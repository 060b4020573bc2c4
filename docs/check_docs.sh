#!/usr/bin/env bash
# Holds the documents to what they describe:
# - the control table of docs/hosts.md, the only one in docs/, to the
#   library's controls (option, editor label, range, default);
# - the example in docs/library.md to docs/examples/sharpen_picture.c, which
#   the install tests build and run;
# - the layout tables to the tree: every folder they name exists, and the
#   README's names every top-level folder, docs/design.md's every folder two
#   levels down (a folder is named by itself or by one inside it).
#   check_docs.sh CONTROL_ROWS SOURCE_DIR
set -euo pipefail
rows=$1
cd "$2"
failed=0
fail() { echo "FAILED: $*" >&2; failed=1; }

# The rows of the table in FILE whose header line starts with HEAD.
table() { awk -v head="$2" 'index($0, head) == 1 { on = 1; getline; next } on && /^\|/ { print; next } on { exit }' "$1"; }

header='| Option | Editor label |'
[ "$(grep -lF "$header" docs/*.md)" = docs/hosts.md ] || fail "the control table must be in docs/hosts.md alone"
documented=$(table docs/hosts.md "$header" |
  awk -F'|' '{ for (i = 2; i <= 5; ++i) gsub(/^ +| +$/, "", $i); sub(/ \(.*\)$/, "", $3); print $2 "|" $3 "|" $4 "|" $5 }')
diff <("$rows") <(echo "$documented") || fail "docs/hosts.md's control table is not the library's (<) but (>)"

example=docs/examples/sharpen_picture.c
diff <(awk '/^```c$/ { on = 1; next } on && /^```$/ { exit } on' docs/library.md) "$example" ||
  fail "the example in docs/library.md is not $example"

# The folders a layout table names in its first column.
named() { table "$1" '| Folder |' | awk -F'|' '{ print $2 }' | grep -o '`[^`]*`' | tr -d '`' | sort -u; }
# The tree's folders down to a depth, as the tables write them.
folders() { find . -mindepth 1 -maxdepth "$1" -type d ! -path './build*' ! -path '*/.*' | sed 's#^\./##; s#$#/#' | sort; }
for doc in README.md:1 docs/design.md:2; do
  file=${doc%:*} depth=${doc#*:}
  listed=$(named "$file")
  [ -n "$listed" ] || fail "$file has no layout table"
  for folder in $listed; do [ -d "$folder" ] || fail "$file's layout names $folder, which is not in the tree"; done
  for folder in $(folders "$depth"); do
    grep -qxF "$folder" <<<"$(cut -c1-${#folder} <<<"$listed")" || fail "$file's layout does not name $folder"
  done
done
[ "$failed" -eq 0 ] && echo "docs agree with the library and the tree"
