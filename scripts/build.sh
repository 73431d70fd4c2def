#!/usr/bin/env bash
# Configures (once) and builds the optimised build in build/.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
if [ ! -f "$root/build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$root/build" -j"$(nproc)" >/dev/null
