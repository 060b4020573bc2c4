#!/usr/bin/env bash
# Builds the native tools and sharpens the embedded sample photograph with
# the default controls, as the plug-in would in the editor, and says where
# the picture went.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh native
cmake --preset native >/dev/null
cmake --build --preset native -j2 --target quorlin
build/native/quorlin --progress "$@"
