#!/usr/bin/env bash
# The editor is a 32-bit program that loads the plug-in on its own: the module
# must be a 32-bit DLL, export the one undecorated name the editor asks for,
# and import nothing but Windows system DLLs (no MinGW runtime DLL: OpenMP,
# threads, the C++ runtime and libgcc are all linked in).
# Usage: check_pe.sh PLUGIN_MODULE
set -euo pipefail
source "$(dirname "$0")/wine_env.sh"

module=${1:-}
require_tools i686-w64-mingw32-objdump
require_files "$module"
headers=$(i686-w64-mingw32-objdump -p "$module")
status=0
fail() { echo "FAILED: $*" >&2; status=1; }

grep -q 'file format pei-i386' <<<"$headers" || fail "not a PE32 i386 image"
grep -qx 'Magic[[:space:]]*010b[[:space:]]*(PE32)' <<<"$headers" || fail "optional header is not PE32"
grep -qx '[[:space:]]*DLL' <<<"$headers" || fail "not marked as a DLL"

# Names of the export name table: the lines "[   0] Name" after its heading.
exports=$(awk '/^\[Ordinal\/Name Pointer\] Table/ { on = 1; next }
               on && /^[[:space:]]*$/ { on = 0 }
               on { sub(/^[[:space:]]*\[[[:space:]]*[0-9]+\][[:space:]]*/, ""); print }' <<<"$headers")
[ "$exports" = GetFilterTable ] || fail "exports are not exactly GetFilterTable: [${exports//$'\n'/, }]"

imports=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")
[ -n "$imports" ] || fail "no import table found"
allowed=' kernel32.dll msvcrt.dll user32.dll advapi32.dll ntdll.dll '
for dll in $imports; do
  lower=$(tr '[:upper:]' '[:lower:]' <<<"$dll")
  [[ "$allowed" == *" $lower "* ]] || fail "imports $dll, which is not a Windows system DLL"
done

[ "$status" -eq 0 ] && echo "PE32 i386 DLL; exports: $exports; imports: ${imports//$'\n'/ }"
exit "$status"
