#!/usr/bin/env bash
# Installs everything the build and the tests need on a bare Debian 12 machine.
# Safe to run again: it only installs what is missing.
#
# A mirror in the middle of a sync can serve an index whose size does not
# match its release file. The update is tried a few times; an index that
# still fails is named and left out, and the packages are installed from the
# lists apt has. Before anything is installed, apt is asked whether every
# package needed can be: one that cannot is named with apt's reason, and the
# set-up stops there. wine32 (i386) is wanted, not needed: where the kernel
# runs no 32-bit code, or the i386 lists cannot give it, the set-up says so
# and scripts/test.sh runs the 32-bit code as Linux programs instead.
set -euo pipefail

need_native=(cmake ninja-build g++ pkg-config abigail-tools libgtest-dev libbenchmark-dev libpng-dev libjpeg62-turbo-dev libomp-dev clang-14
             libclang-rt-14-dev ffmpeg zip unzip frei0r-plugins-dev melt gstreamer1.0-tools gstreamer1.0-plugins-bad
             libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev gstreamer1.0-plugins-base gstreamer1.0-plugins-good)
# The cross builds: the 32-bit plug-in (MinGW i686), 32-bit x86 Linux and 64-bit
# ARM Linux programs and the emulator that runs them where the kernel does not
# (not the g++-multilib meta package: it conflicts with every cross compiler),
# and the 64-bit ExEdit2 plug-in with wine64 to test it (amd64 packages alone).
need_cross=(g++-mingw-w64-i686-posix binutils-mingw-w64-i686 g++-12-multilib g++-aarch64-linux-gnu qemu-user
            g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine64)
want_wine32=(wine wine32:i386)
# The Debian packages, built and checked by the native tests.
need_packaging=(debhelper devscripts lintian help2man)

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }
apt() { as_root env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 "$@"; }

missing() {
  local p out=()
  for p in "$@"; do
    [ "$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null)" = "install ok installed" ] || out+=("$p")
  done
  echo "${out[@]:-}"
}

updated=0
log=$(mktemp)
trap 'rm -f "$log"' EXIT

# Up to three tries; then whatever lists arrived are used, and the indexes
# that did not are named.
update_lists() {
  [ "$updated" -eq 0 ] || return 0
  updated=1
  local try
  for try in 1 2 3; do
    apt update >"$log" 2>&1 && return 0
    [ "$try" -lt 3 ] && sleep $((try * 5))
  done
  local failed
  failed=$(sed -n 's/^E: Failed to fetch \([^ ]*\).*/\1/p' "$log" | sed 's#^[a-z]*://[^/]*/##' | paste -sd' ' -)
  echo "setup: apt-get update failed three times for: ${failed:-(see below)}; going on with the lists apt has" >&2
  [ -n "$failed" ] || grep '^E:' "$log" >&2 || true
}

# apt's reason why a package cannot be installed, on one line.
reason() {
  local why
  why=$(apt install -s --no-install-recommends "$1" 2>&1 |
          grep -m1 -E ' : (Depends|PreDepends|Conflicts|Breaks):|^E: ' | tr -s ' ' | sed 's/^ //') || true
  echo "${why:-apt-get refused it}"
}

# Succeeds when apt could install all of them; otherwise prints one line per
# package that it could not, with apt's reason.
check_installable() {
  apt install -s --no-install-recommends "$@" >/dev/null 2>&1 && return 0
  local p
  for p in "$@"; do
    apt install -s --no-install-recommends "$p" >/dev/null 2>&1 || echo "setup: cannot install $p: $(reason "$p")" >&2
  done
  return 1
}

install() {
  [ $# -gt 0 ] || return 0
  echo "setup: installing $*"
  apt install -y --no-install-recommends "$@" >"$log" 2>&1 || { cat "$log" >&2; return 1; }
}

# Needed packages: all checked before any is installed.
install_needed() {
  [ $# -gt 0 ] || return 0
  update_lists
  check_installable "$@" || { echo "setup: FAILED: needed packages cannot be installed (above)" >&2; exit 1; }
  install "$@"
}

runs_32bit() { /lib/ld-linux.so.2 --version >/dev/null 2>&1; }

# wine32 for the real 32-bit plug-in, where the kernel runs 32-bit code.
install_wine32() {
  if ! runs_32bit; then
    echo "setup: this kernel runs no 32-bit programs: wine32 is not installed (scripts/test.sh uses qemu-i386)"
    return 0
  fi
  # wine32 needs the i386 architecture before apt can see it.
  if ! grep -qx i386 <<<"$(dpkg --print-foreign-architectures)"; then
    as_root dpkg --add-architecture i386
    updated=0
  fi
  # shellcheck disable=SC2046
  set -- $(missing "${want_wine32[@]}")
  [ $# -gt 0 ] || return 0
  update_lists
  if ! check_installable "$@" 2>"$log"; then
    sed 's/^setup: /setup: NOT INSTALLED (wanted, not needed): /' "$log" >&2
    echo "setup: the 32-bit plug-in will not run under wine here; scripts/test.sh runs its code as 32-bit Linux programs" >&2
    return 0
  fi
  install "$@"
}

mode=${1:-all}  # all; native for the Linux build alone; peers for bench/peers.sh
needed=("${need_native[@]}" "${need_packaging[@]}")
[ "$mode" = peers ] && needed+=(libopencv-dev python3 bc)
[ "$mode" = all ] && needed+=("${need_cross[@]}")
# shellcheck disable=SC2046
install_needed $(missing "${needed[@]}")
if [ "$mode" = all ]; then install_wine32; fi
