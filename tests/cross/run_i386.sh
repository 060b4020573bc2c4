#!/usr/bin/env bash
# Runs a 32-bit x86 Linux program: directly where the kernel runs 32-bit
# code, under qemu-i386 (with the host's own 32-bit libraries) where it runs
# 64-bit user code only. QUORLIN_I386_RUNNER=qemu forces the emulator.
set -euo pipefail
if [ "${QUORLIN_I386_RUNNER:-}" != qemu ] && /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
  exec "$@"
fi
exec qemu-i386 -L / "$@"
