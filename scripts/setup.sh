#!/usr/bin/env bash
# Installs everything the build and the tests need on a bare Debian 12 machine.
# Safe to run again: it only installs what is missing.
set -euo pipefail

need_native=(cmake ninja-build g++ pkg-config libgtest-dev libbenchmark-dev libpng-dev libomp-dev clang-14 libclang-rt-14-dev ffmpeg zip unzip frei0r-plugins-dev melt gstreamer1.0-tools gstreamer1.0-plugins-bad)
need_win32=(g++-mingw-w64-i686-posix binutils-mingw-w64-i686)
# The 64-bit ExEdit2 plug-in and wine64 to test it: amd64 packages alone.
need_win64=(g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine64)

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

missing() {
  local p out=()
  for p in "$@"; do dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || out+=("$p"); done
  echo "${out[@]:-}"
}

updated=0
log=$(mktemp)
trap 'rm -f "$log"' EXIT
# Quiet unless something fails: then the whole apt log is shown.
quietly() { "$@" >"$log" 2>&1 || { cat "$log" >&2; return 1; }; }

apt_install() {
  [ $# -gt 0 ] || return 0
  echo "setup: installing $*"
  if [ "$updated" -eq 0 ]; then quietly as_root apt-get -o DPkg::Lock::Timeout=600 update; updated=1; fi
  quietly as_root env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 install -y --no-install-recommends "$@"
}

mode=${1:-all}  # all; native for the Linux build alone; peers for bench/peers.sh
# shellcheck disable=SC2046
apt_install $(missing "${need_native[@]}")
if [ "$mode" = peers ]; then
  # shellcheck disable=SC2046
  apt_install $(missing libopencv-dev ffmpeg python3 bc)
fi
if [ "$mode" = all ]; then
  # shellcheck disable=SC2046
  apt_install $(missing "${need_win64[@]}")
  # wine32 needs the i386 architecture before apt can see it.
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    as_root dpkg --add-architecture i386
    updated=0
  fi
  # shellcheck disable=SC2046
  apt_install $(missing "${need_win32[@]}" wine wine32:i386)
fi
