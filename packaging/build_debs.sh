#!/usr/bin/env bash
# Builds the Debian packages (debian/) in a copy of the source tree, so that
# neither the build nor the files dpkg-buildpackage writes beside the tree
# touch it, and moves the .deb files into OUT_DIR. Prints their paths.
#   build_debs.sh OUT_DIR
# The GStreamer element's package is left out of a tree that has no element.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out_dir=${1:?usage: build_debs.sh OUT_DIR}
for tool in dpkg-buildpackage dh help2man; do
  command -v "$tool" >/dev/null || { echo "build_debs: $tool is missing: scripts/setup.sh installs it" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/quorlin"
# The files git would commit (tracked, and new ones it does not ignore) as
# they are in the work tree; every file but build/ where git is not there.
if git -C "$root" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  (cd "$root" && git ls-files -z --cached --others --exclude-standard |
     while IFS= read -r -d '' f; do [ -e "$f" ] && printf '%s\0' "$f"; done |
     tar --null -T - -cf -) | tar -xf - -C "$work/quorlin"
else
  tar -C "$root" --exclude=./build -cf - . | tar -xf - -C "$work/quorlin"
fi

log=$work/build.log
# Two jobs, as everything here builds; the packages' tests are the project's
# own; no debug-symbol packages.
if ! (cd "$work/quorlin" && DEB_BUILD_OPTIONS="parallel=2 nocheck noautodbgsym" \
        dpkg-buildpackage -us -uc -b) >"$log" 2>&1; then
  tail -n 60 "$log" >&2
  echo "build_debs: dpkg-buildpackage failed (the last lines above)" >&2
  exit 1
fi
# dpkg-gensymbols names the library's symbols that the symbols file does not.
grep -A20 '^dpkg-gensymbols: warning' "$log" >&2 || true

mkdir -p "$out_dir"
for deb in "$work"/*.deb; do
  mv "$deb" "$out_dir/"
  echo "$out_dir/$(basename "$deb")"
done
