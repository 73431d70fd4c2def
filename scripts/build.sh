#!/usr/bin/env bash
# Configures (once) and builds the optimised build in build/, with the `release` preset.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ ! -f build/CMakeCache.txt ]; then
  cmake --preset release >/dev/null
fi
cmake --build --preset release -j"$(nproc)" >/dev/null
