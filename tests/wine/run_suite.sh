#!/usr/bin/env bash
# Runs a test program built for the 32-bit target under wine: the
# differential suite or the row kernels' checker.
# Usage: run_suite.sh WIN32_BUILD_DIR PROGRAM [ARGUMENTS...]
set -euo pipefail
source "$(dirname "$0")/wine_env.sh"

win32_dir=${1:-} program=${2:?a program of the win32 build}
shift 2
require_files "$win32_dir/$program"
prepare_wine_prefix
run_wine "$win32_dir/$program" "$@"
