#!/usr/bin/env bash
# An MSVC-built host, and the threads it or the OpenMP runtime start, may
# enter the plug-in with the stack only 4-byte aligned. Proves, over the
# disassembly of the whole module, that no function relies on more.
#
# Why this is sound: an SSE instruction with a 16-byte memory operand (movdqa,
# movaps, or an operand such as paddw mem) faults unless the address is
# 16-byte aligned, and the stack is the only memory whose alignment depends on
# the caller. The compiler addresses its stack slots from %esp, or from %ebp
# once it has copied %esp there (elsewhere %ebp is an ordinary register). A
# function that assumes a 16-byte aligned incoming stack (code built without
# -mincoming-stack-boundary=2, or written by hand) makes such accesses without
# ever aligning %esp itself; one that aligns %esp (and $0xfffffff0,%esp)
# before its first such access is safe whatever its caller did. So every
# function that makes one must align %esp first. Every function of the module
# is checked, so the exported entry point, the frame procedure, the outlined
# parallel-loop bodies that worker threads run and the runtime's thread start
# code are all covered. Unaligned and narrower forms (movdqu, movups, movq,
# movd, scalar addss, ...) accept any address and are not counted.
# Usage: check_stack_realign.sh PLUGIN_MODULE
set -euo pipefail
source "$(dirname "$0")/wine_env.sh"

module=${1:-}
require_tools i686-w64-mingw32-objdump
require_files "$module"

i686-w64-mingw32-objdump -d --no-show-raw-insn "$module" | awk '
  function flush() {
    if (fn == "") return
    functions++
    aligns[fn] = realigned
    if (fn ~ /_omp_fn\./) outlined++
    if (first_access != "") {
      accessing++
      if (!realigned) unaligned[fn] = first_access
    }
  }
  # "62b81df0 <name>:" starts a function.
  /^[0-9a-f]+ <.*>:$/ {
    flush()
    fn = $2; gsub(/^<|>:$/, "", fn)
    realigned = 0; frame_pointer = 0; first_access = ""
    next
  }
  # "62b81df0:<TAB>mnemonic operands"
  /^ *[0-9a-f]+:\t/ {
    insn = $0; sub(/^ *[0-9a-f]+:\t/, "", insn)
    split(insn, word, /[ \t]+/)
    mnemonic = word[1]; operands = word[2]
    if (mnemonic ~ /^(rep[a-z]*|lock|data16|addr16|[c-gs]s)$/) { mnemonic = word[2]; operands = word[3] }
    if (mnemonic == "and" && operands ~ /^\$0xf+[0-9a-f]*0,%esp$/ && first_access == "") realigned = 1
    if ((mnemonic == "mov" && operands == "%esp,%ebp") || (mnemonic == "lea" && operands ~ /\(%esp\),%ebp$/))
      frame_pointer = 1
    if (operands !~ /%xmm/) next
    if (operands !~ /\(%esp[,)]/ && !(frame_pointer && operands ~ /\(%ebp[,)]/)) next
    # Forms that take any address: unaligned or 32/64-bit loads and stores,
    # and scalar arithmetic.
    if (mnemonic ~ /^(movdqu|movups|movupd|movd|movq|movlps|movhps|movlpd|movhpd|lddqu|pinsrw|pextrw)$/) next
    if (mnemonic ~ /^(add|sub|mul|div|min|max|sqrt|rcp|rsqrt|u?comi|cmp[a-z]*|mov)s[sd]$/) next
    if (mnemonic ~ /^cvtt?(s[sd]2s[sdi]|si2s[sd])l?$/) next
    if (first_access == "") first_access = insn
  }
  END {
    flush()
    bad = 0
    for (f in unaligned) {
      # A hot/cold split puts part of a function under its own "name.cold"
      # label; that part runs on the stack its parent aligned.
      parent = f; sub(/\.cold(\.[0-9]+)?$/, "", parent)
      if (parent != f && aligns[parent]) continue
      printf "FAILED: %s uses aligned stack slots without aligning %%esp first: %s\n", f, unaligned[f]
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
