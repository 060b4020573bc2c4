#!/usr/bin/env bash
# An editor loads its plug-in on its own: the module must be a DLL of the
# editor's word size, export the one undecorated name the editor asks for,
# and import nothing but Windows system DLLs (no MinGW runtime DLL: OpenMP,
# threads, the C++ runtime and libgcc are all linked in). With
# QUORLIN_WINE_BITS=64: a PE32+ x86-64 DLL, whose code moves no 32-byte
# vector to or from the stack with an aligned move, since 64-bit Windows
# aligns the stack to 16 bytes only.
# Usage: check_pe.sh PLUGIN_MODULE EXPORTED_NAME
set -euo pipefail
source "$(dirname "$0")/wine_env.sh"

module=${1:-} export_name=${2:?the one name the module must export}
if [ "$wine_bits" = 64 ]; then
  objdump=x86_64-w64-mingw32-objdump format=pei-x86-64 magic='020b[[:space:]]*(PE32+)' kind="PE32+ x86-64"
else
  objdump=i686-w64-mingw32-objdump format=pei-i386 magic='010b[[:space:]]*(PE32)' kind="PE32 i386"
fi
require_tools "$objdump"
require_files "$module"
headers=$("$objdump" -p "$module")
status=0
fail() { echo "FAILED: $*" >&2; status=1; }

grep -q "file format $format" <<<"$headers" || fail "not a $kind image"
grep -qx "Magic[[:space:]]*$magic" <<<"$headers" || fail "optional header is not that of a $kind image"
grep -qx '[[:space:]]*DLL' <<<"$headers" || fail "not marked as a DLL"

# Names of the export name table: the lines "[   0] Name" after its heading.
exports=$(awk '/^\[Ordinal\/Name Pointer\] Table/ { on = 1; next }
               on && /^[[:space:]]*$/ { on = 0 }
               on { sub(/^[[:space:]]*\[[[:space:]]*[0-9]+\][[:space:]]*/, ""); print }' <<<"$headers")
[ "$exports" = "$export_name" ] || fail "exports are not exactly $export_name: [${exports//$'\n'/, }]"

imports=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")
[ -n "$imports" ] || fail "no import table found"
allowed=' kernel32.dll msvcrt.dll user32.dll advapi32.dll ntdll.dll '
for dll in $imports; do
  lower=$(tr '[:upper:]' '[:lower:]' <<<"$dll")
  [[ "$allowed" == *" $lower "* ]] || fail "imports $dll, which is not a Windows system DLL"
done

if [ "$wine_bits" = 64 ]; then
  aligned=$("$objdump" -d --no-show-raw-insn "$module" |
            grep -E 'vmov(dqa(32|64)?|ap[sd]|nt(dq|dqa|ps|pd)) .*%ymm' | grep -E '\(%r[sb]p[,)]' || true)
  [ -z "$aligned" ] || fail "aligned 32-byte stack accesses: $(head -n 3 <<<"$aligned")"
fi

[ "$status" -eq 0 ] && echo "$kind DLL; exports: $exports; imports: ${imports//$'\n'/ }"
exit "$status"
