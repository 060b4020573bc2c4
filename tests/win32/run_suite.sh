#!/usr/bin/env bash
# Runs the differential suite built for the 32-bit target under wine.
# Usage: run_suite.sh WIN32_BUILD_DIR
set -euo pipefail
source "$(dirname "$0")/../wine/wine_env.sh"

win32_dir=${1:-}
require_files "$win32_dir/quorlin_tests.exe"
prepare_wine_prefix
run_wine "$win32_dir/quorlin_tests.exe" --gtest_brief=1
