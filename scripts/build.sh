#!/usr/bin/env bash
# Configures and builds into build/ (warnings are errors). Extra arguments
# go to the build step (e.g. --target VYRSourceReturn).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DVYR_WERROR=ON >/dev/null
cmake --build build -j"$(nproc)" "$@"
