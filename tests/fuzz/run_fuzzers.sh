#!/usr/bin/env bash
# Fuzzes each target for a bounded time, starting from its committed seed
# corpus; what it finds on the way grows a working corpus in the build tree,
# never the committed one. A failure leaves the input in the build tree and
# says where: copy it into tests/fuzz/regressions/TARGET/, where every test
# run replays it.
# Usage: run_fuzzers.sh BUILD_DIR SECONDS_PER_TARGET
set -euo pipefail

build=$1 seconds=$2
src=$(cd "$(dirname "$0")" && pwd)
# As the asan test preset sets them.
export ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=print_stacktrace=1
export LSAN_OPTIONS=suppressions=$src/../../cmake/lsan-suppressions.txt:print_suppressions=0
# Largest inputs: a 48x40 picture's samples after the header; a few PNG rows;
# a small JPEG with its markers; a few small Y4M frames.
declare -A max_len=([frame_proc_fuzz]=11600 [jpeg_fuzz]=8192 [png_fuzz]=8192 [y4m_fuzz]=16384)

status=0
for target in frame_proc_fuzz jpeg_fuzz png_fuzz y4m_fuzz; do
  work=$build/fuzz/$target
  mkdir -p "$work/corpus" "$work/artifacts"
  log=$work/last_run.log
  if "$build/tests/fuzz/$target" -max_total_time="$seconds" -max_len="${max_len[$target]}" -timeout=20 \
       -rss_limit_mb=4096 -print_final_stats=1 -artifact_prefix="$work/artifacts/" \
       "$work/corpus" "$src/corpus/$target" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    corpus=$(find "$work/corpus" -type f | wc -l)
    echo "$target: $runs executions in ${seconds}s, no failure; working corpus $corpus inputs"
  else
    status=1
    echo "FAILED: $target; its report:" >&2
    grep -v '^#[0-9]' "$log" | tail -n 60 >&2
    echo "failing input(s): $(ls "$work/artifacts")" >&2
    echo "to keep it as a regression test: cp $work/artifacts/<file> $src/regressions/$target/" >&2
  fi
done
exit "$status"
