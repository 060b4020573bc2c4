#!/usr/bin/env bash
# An MSVC-built host, and the threads it or the OpenMP runtime start, may
# enter the plug-in with the stack only 4-byte aligned. Proves, over the
# disassembly of the whole module, that no function relies on more.
#
# Why this is sound: an SSE instruction with a 16-byte memory operand (movdqa,
# movaps, or an operand such as paddw mem) faults unless the address is
# 16-byte aligned, and so does an explicitly aligned AVX move (vmovdqa,
# vmovaps, vmovntdq, ...) unless the address is aligned to the operand's size:
# 32 bytes for a %ymm register. Every other VEX-encoded instruction (vmovdqu,
# vpaddw mem, ...) accepts any address. The stack is the only memory whose
# alignment depends on the caller. The compiler addresses its stack slots
# from %esp, or from %ebp once it has copied %esp there (elsewhere %ebp is an
# ordinary register). A function that assumes an aligned incoming stack (code
# built without -mincoming-stack-boundary=2, or written by hand) makes such
# accesses without ever aligning %esp itself; one that aligns %esp far enough
# (and $0xfffffff0,%esp for 16 bytes, $0xffffffe0 for 32) before such an
# access is safe whatever its caller did. So every function that makes one
# must align %esp first. Every function of the module is checked, so the
# exported entry point, the frame procedure, the outlined parallel-loop
# bodies that worker threads run and the runtime's thread start code are all
# covered. Unaligned and narrower SSE forms (movdqu, movups, movq, movd,
# scalar addss, ...) accept any address and are not counted.
# Usage: check_stack_realign.sh PLUGIN_MODULE
#        check_stack_realign.sh --self-test    (the check on made-up functions)
set -euo pipefail
source "$(dirname "$0")/wine_env.sh"

checker='
  function flush() {
    if (fn == "") return
    functions++
    aligns[fn] = realigned
    if (fn ~ /_omp_fn\./) outlined++
    if (accessed) accessing++
    if (first_unaligned != "") {
      unaligned[fn] = first_unaligned
      needs[fn] = unaligned_need
    }
  }
  # The alignment "and $MASK,%esp" gives: 2 to the number of trailing zero
  # bits of the mask.
  function alignment(operands,   digits, last, bits) {
    digits = operands; sub(/^\$0x/, "", digits); sub(/,%esp$/, "", digits)
    bits = 0
    while (digits ~ /0$/) { bits += 4; sub(/0$/, "", digits) }
    last = index("123456789abcdef", substr(digits, length(digits)))
    while (last > 0 && last % 2 == 0) { bits++; last /= 2 }
    return 2 ^ bits
  }
  # "62b81df0 <name>:" starts a function.
  /^[0-9a-f]+ <.*>:$/ {
    flush()
    fn = $2; gsub(/^<|>:$/, "", fn)
    realigned = 0; frame_pointer = 0; accessed = 0; first_unaligned = ""
    next
  }
  # "62b81df0:<TAB>mnemonic operands"
  /^ *[0-9a-f]+:\t/ {
    insn = $0; sub(/^ *[0-9a-f]+:\t/, "", insn)
    split(insn, word, /[ \t]+/)
    mnemonic = word[1]; operands = word[2]
    if (mnemonic ~ /^(rep[a-z]*|lock|data16|addr16|[c-gs]s)$/) { mnemonic = word[2]; operands = word[3] }
    if (mnemonic == "and" && operands ~ /^\$0xf+[0-9a-f]*,%esp$/ && alignment(operands) > realigned)
      realigned = alignment(operands)
    if ((mnemonic == "mov" && operands == "%esp,%ebp") || (mnemonic == "lea" && operands ~ /\(%esp\),%ebp$/))
      frame_pointer = 1
    if (operands !~ /%[xyz]mm/) next
    if (operands !~ /\(%esp[,)]/ && !(frame_pointer && operands ~ /\(%ebp[,)]/)) next
    if (mnemonic ~ /^v/) {
      # VEX and EVEX forms take any address, but for the aligned moves.
      if (mnemonic !~ /^vmov(dqa(32|64)?|ap[sd]|nt(dq|dqa|ps|pd))$/) next
    } else {
      # Forms that take any address: unaligned or 32/64-bit loads and
      # stores, and scalar arithmetic.
      if (mnemonic ~ /^(movdqu|movups|movupd|movd|movq|movlps|movhps|movlpd|movhpd|lddqu|pinsrw|pextrw)$/) next
      if (mnemonic ~ /^(add|sub|mul|div|min|max|sqrt|rcp|rsqrt|u?comi|cmp[a-z]*|mov)s[sd]$/) next
      if (mnemonic ~ /^cvtt?(s[sd]2s[sdi]|si2s[sd])l?$/) next
    }
    need = operands ~ /%zmm/ ? 64 : operands ~ /%ymm/ ? 32 : 16
    accessed = 1
    if (realigned < need && first_unaligned == "") { first_unaligned = insn; unaligned_need = need }
  }
  END {
    flush()
    bad = 0
    for (f in unaligned) {
      # A hot/cold split puts part of a function under its own "name.cold"
      # label; that part runs on the stack its parent aligned.
      parent = f; sub(/\.cold(\.[0-9]+)?$/, "", parent)
      if (parent != f && aligns[parent] >= needs[f]) continue
      printf "FAILED: %s uses %d-byte aligned stack slots without aligning %%esp to %d bytes first: %s\n",
             f, needs[f], needs[f], unaligned[f]
      bad++
    }
    printf "%d functions (%d parallel-loop bodies), %d with aligned stack accesses, %d of them unaligned\n",
           functions, outlined, accessing, bad
    # Without symbols the whole module would look like one function.
    blind = !("_GetFilterTable" in aligns) || !outlined
    if (blind) print "FAILED: the module lacks the symbols of its entry point or parallel-loop bodies"
    exit bad > 0 || blind
  }
'

# Made-up functions in objdump's form: those named Bad* must be flagged, and
# no other.
self_test() {
  local report flagged
  report=$(awk "$checker" <<'DISASSEMBLY' || true
00001000 <_GetFilterTable>:
    1000:	ret
00001010 <_Sharpen._omp_fn.0>:
    1010:	lea    0x4(%esp),%ecx
    1014:	and    $0xffffffe0,%esp
    1017:	push   %ebp
    1018:	mov    %esp,%ebp
    101a:	vmovdqa %ymm0,-0x38(%ebp)
    101f:	movaps %xmm1,0x20(%esp)
00001030 <_BadYmmSpill>:
    1030:	vmovdqa %ymm0,(%esp)
00001040 <_BadSixteenBytesForYmm>:
    1040:	and    $0xfffffff0,%esp
    1043:	vmovdqa %xmm1,0x20(%esp)
    1049:	vmovaps %ymm1,0x40(%esp)
00001050 <_BadXmmSpill>:
    1050:	movdqa %xmm0,0x10(%esp)
00001060 <_BadAlignedTooLate>:
    1060:	vmovntdq %ymm0,0x20(%esp)
    1066:	and    $0xffffffe0,%esp
00001070 <_UnalignedForms>:
    1070:	vmovdqu %ymm0,(%esp)
    1075:	vpaddw 0x20(%esp),%ymm1,%ymm1
    107b:	vmovq  %xmm0,0x8(%esp)
    1081:	vmovdqa %ymm0,(%eax)
00001090 <_Sharpen._omp_fn.0.cold>:
    1090:	vmovdqa %ymm2,0x60(%esp)
DISASSEMBLY
)
  flagged=$(sed -n 's/^FAILED: \([^ ]*\) uses .*/\1/p' <<<"$report" | sort | tr '\n' ' ')
  if [ "$flagged" != "_BadAlignedTooLate _BadSixteenBytesForYmm _BadXmmSpill _BadYmmSpill " ]; then
    printf 'FAILED: the check flagged [%s]:\n%s\n' "$flagged" "$report"
    return 1
  fi
  echo "flagged, as they must be: $flagged"
}

if [ "${1:-}" = --self-test ]; then
  self_test
  exit
fi

module=${1:-}
require_tools i686-w64-mingw32-objdump
require_files "$module"
i686-w64-mingw32-objdump -d --no-show-raw-insn "$module" | awk "$checker"
