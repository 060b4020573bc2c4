#!/usr/bin/env bash
# Builds a C program against the library installed in PREFIX with nothing
# but pkg-config's flags (and the threads library), as strict C99, and runs
# it; the program checks what it gets and says so in its exit status.
#   run_program.sh PREFIX PROGRAM.c
set -euo pipefail
prefix=$1 program=$2
fail() { echo "FAILED: $*" >&2; exit 1; }
pc=$(find "$prefix" -name quorlin.pc)
[ -n "$pc" ] || fail "no library installed in $prefix"
export PKG_CONFIG_PATH=$(dirname "$pc")
name=$(basename "$program" .c)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
# shellcheck disable=SC2046
cc -std=c99 -Wall -Wextra -pedantic -Werror -pthread -o "$scratch/$name" "$program" \
  $(pkg-config --cflags --libs quorlin) || fail "$name does not build against the installed library"
LD_LIBRARY_PATH=$(pkg-config --variable=libdir quorlin) "$scratch/$name" || fail "$name failed"
