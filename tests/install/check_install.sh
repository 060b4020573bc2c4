#!/usr/bin/env bash
# Installs a build tree into PREFIX (emptied first) and checks what it put
# there: the library, its header and quorlin.pc, whose flags must name them.
# With --library-only (the lib preset) that must be all; otherwise the
# installed quorlin must run too.
#   check_install.sh BUILD_DIR PREFIX [--library-only]
set -euo pipefail
build_dir=$1 prefix=$2 only=${3:-}
fail() { echo "FAILED: $*" >&2; exit 1; }
command -v pkg-config >/dev/null || fail "pkg-config is missing: scripts/setup.sh installs it"

rm -rf "$prefix"
cmake --install "$build_dir" --prefix "$prefix" >/dev/null
pc=$(find "$prefix" -name quorlin.pc)
[ -n "$pc" ] || fail "cmake --install gave no quorlin.pc"
libdir=$(dirname "$(dirname "$pc")")
export PKG_CONFIG_PATH=$libdir/pkgconfig
version=$(pkg-config --modversion quorlin)
[ "$(pkg-config --variable=libdir quorlin)" -ef "$libdir" ] || fail "quorlin.pc names another libdir"
[ -f "$(pkg-config --variable=includedir quorlin)/quorlin/quorlin.h" ] || fail "quorlin.pc names no quorlin/quorlin.h"

library=(include/quorlin/quorlin.h "${libdir#"$prefix/"}"/{libquorlin.so,libquorlin.so.${version%%.*},libquorlin.so.$version}
         "${libdir#"$prefix/"}"/pkgconfig/quorlin.pc)
for file in "${library[@]}"; do
  [ -e "$prefix/$file" ] || fail "cmake --install gave no $file"
done
if [ "$only" = --library-only ]; then
  extra=$(cd "$prefix" && find . ! -type d | sed 's#^\./##' | sort | comm -23 - <(printf '%s\n' "${library[@]}" | sort))
  [ -z "$extra" ] || fail "the library alone installs more: $extra"
else
  "$prefix/bin/quorlin" --help >/dev/null || fail "the installed quorlin does not run"
fi
echo "installed in $prefix: quorlin $version"
