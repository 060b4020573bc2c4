#!/usr/bin/env bash
# Builds the library alone (the lib preset) and installs it into a scratch
# prefix; then builds everything, natively and the real 32-bit plug-in, and
# runs every test: the native suite and the plug-in under wine, the aarch64
# build under qemu; then the whole suite again built with AddressSanitizer
# and UndefinedBehaviorSanitizer, and each fuzz target for
# QUORLIN_FUZZ_SECONDS (60) seconds.
#
# Where the 32-bit plug-in cannot run under wine (a kernel that runs 64-bit
# user code only, or no wine32 to be had), its code runs instead as 32-bit
# x86 Linux programs (the linux32 preset, under qemu-i386 where needed): the
# kernels' checker at every level, the differential suite and the plug-in's
# frames against the committed hashes. The DLL is still built and checked
# without running it, everything else is still required, and the last line
# says that the plug-in was NOT RUN under wine, and why. QUORLIN_WINE32=0
# takes that path on any machine.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh all

not_run=""
if [ "${QUORLIN_WINE32:-}" = 0 ]; then
  not_run="QUORLIN_WINE32=0 was set"
elif ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
  not_run="this kernel runs 64-bit user code only, so wine32 cannot start"
elif [ "$(dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null)" != "install ok installed" ]; then
  not_run="wine32 is not installed (scripts/setup.sh says why above)"
fi

finish() {
  local status=$?
  if [ "$status" -eq 0 ]; then
    if [ -z "$not_run" ]; then
      echo "test: PASSED: every test, the 32-bit plug-in under wine included"
    else
      echo "test: PASSED, but the 32-bit plug-in QuorlinSIMD.auf was NOT RUN under wine: $not_run." \
           "Its code ran as 32-bit Linux programs (linux32), its frames as committed."
    fi
  else
    echo "test: FAILED (exit $status)${not_run:+; the 32-bit plug-in was NOT RUN under wine: $not_run}"
  fi
}
trap finish EXIT
if [ -z "$not_run" ]; then
  echo "test: the 32-bit plug-in runs under wine here: the wine tests are required"
else
  echo "test: the 32-bit plug-in cannot run under wine here ($not_run): its code runs as 32-bit Linux programs"
fi

# The library alone: its tree looks for nothing but OpenMP (a search leaves
# a path in the cache, found or not), and it installs the library, its
# header and quorlin.pc, nothing else, which a C program builds against.
cmake --preset lib >/dev/null
cmake --build --preset lib -j2
searched=$(grep -E '^[A-Za-z_][^:]*:(PATH|FILEPATH)=' build/lib/CMakeCache.txt | grep -vE '^(CMAKE|OpenMP)_' || true)
[ -z "$searched" ] || { echo "test: the lib preset looked for more than OpenMP: $searched" >&2; exit 1; }
tests/install/check_install.sh build/lib build/lib/installed --library-only
tests/install/run_program.sh build/lib/installed tests/install/sharpen_frame.c

cmake --preset native >/dev/null
cmake --build --preset native -j2
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j2
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j2
# The checks of the 32-bit DLL and the wine64 tests must run here, not be
# skipped; so must the 32-bit plug-in's wine tests where they can.
required=(env QUORLIN_REQUIRE_WIN32=1 QUORLIN_REQUIRE_WIN64=1)
if [ -z "$not_run" ]; then
  "${required[@]}" ctest --preset native -j2
else
  "${required[@]}" ctest --preset native -j2 --exclude-regex '^wine\.'
  cmake --preset linux32 >/dev/null
  cmake --build --preset linux32 -j2
  ctest --preset linux32 -j2
fi
cmake --preset aarch64 >/dev/null
cmake --build --preset aarch64 -j2
ctest --preset aarch64 -j2
cmake --preset asan >/dev/null
cmake --build --preset asan -j2
ctest --preset asan -j2
tests/fuzz/run_fuzzers.sh build/asan "${QUORLIN_FUZZ_SECONDS:-60}"
