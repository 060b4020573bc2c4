#!/usr/bin/env bash
# ExEdit2 loads the plug-in on its own: Quorlin.auf2 must be a 64-bit DLL
# that exports GetFilterPluginTable alone and imports nothing but Windows
# system DLLs (OpenMP, threads, the C++ runtime and libgcc are linked in).
# 64-bit Windows aligns the stack to 16 bytes only: no code may move a
# 32-byte vector to or from the stack with an aligned move.
# Usage: check_auf2_image.sh PLUGIN_MODULE
set -euo pipefail
export QUORLIN_WINE_BITS=64
source "$(dirname "$0")/../wine/wine_env.sh"

module=${1:-}
require_tools x86_64-w64-mingw32-objdump
require_files "$module"
headers=$(x86_64-w64-mingw32-objdump -p "$module")
status=0
fail() { echo "FAILED: $*" >&2; status=1; }

grep -q 'file format pei-x86-64' <<<"$headers" || fail "not a PE32+ x86-64 image"
grep -qx 'Magic[[:space:]]*020b[[:space:]]*(PE32+)' <<<"$headers" || fail "optional header is not PE32+"
grep -qx '[[:space:]]*DLL' <<<"$headers" || fail "not marked as a DLL"

# Names of the export name table: the lines "[   0] Name" after its heading.
exports=$(awk '/^\[Ordinal\/Name Pointer\] Table/ { on = 1; next }
               on && /^[[:space:]]*$/ { on = 0 }
               on { sub(/^[[:space:]]*\[[[:space:]]*[0-9]+\][[:space:]]*/, ""); print }' <<<"$headers")
[ "$exports" = GetFilterPluginTable ] || fail "exports are not exactly GetFilterPluginTable: [${exports//$'\n'/, }]"

imports=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")
[ -n "$imports" ] || fail "no import table found"
allowed=' kernel32.dll msvcrt.dll user32.dll advapi32.dll ntdll.dll '
for dll in $imports; do
  lower=$(tr '[:upper:]' '[:lower:]' <<<"$dll")
  [[ "$allowed" == *" $lower "* ]] || fail "imports $dll, which is not a Windows system DLL"
done

aligned=$(x86_64-w64-mingw32-objdump -d --no-show-raw-insn "$module" |
          grep -E 'vmov(dqa(32|64)?|ap[sd]|nt(dq|dqa|ps|pd)) .*%ymm' | grep -E '\(%r[sb]p[,)]' || true)
[ -z "$aligned" ] || fail "aligned 32-byte stack accesses: $(head -n 3 <<<"$aligned")"

[ "$status" -eq 0 ] && echo "PE32+ x86-64 DLL; exports: $exports; imports: ${imports//$'\n'/ }; no aligned 32-byte stack access"
exit "$status"
