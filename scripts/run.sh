#!/usr/bin/env bash
# Sets everything up on a fresh Debian machine and starts Quolt's main job:
# cleaning the bundled example page, as the command-line cleaner does it.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target quolt-clean

build/release/src/quolt-clean/quolt-clean --strip-attribs "table tr td thead th font col" \
    examples/sample.html |
    build/release/src/quolt-clean/quolt-clean --remove "font col colgroup"
