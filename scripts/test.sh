#!/usr/bin/env bash
# Builds everything, natively and the real 32-bit plug-in, and runs every
# test: the native suite and the plug-in under wine; then the whole suite
# again built with AddressSanitizer and UndefinedBehaviorSanitizer, and each
# fuzz target for QUORLIN_FUZZ_SECONDS (60) seconds.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh all
cmake --preset native >/dev/null
cmake --build --preset native -j2
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j2
cmake --preset win64 >/dev/null && cmake --build --preset win64 -j2
# The wine tests must run here, not be skipped.
QUORLIN_REQUIRE_WIN32=1 QUORLIN_REQUIRE_WIN64=1 ctest --preset native -j2
cmake --preset asan >/dev/null
cmake --build --preset asan -j2
ctest --preset asan -j2
tests/fuzz/run_fuzzers.sh build/asan "${QUORLIN_FUZZ_SECONDS:-60}"
