#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test (`ctest --preset release -L unit` in
# the project folder runs only the fast in-process ones).
set -euo pipefail
root="$(cd "$(dirname "$0")" && pwd)"
"$root/scripts/ensure-deps.sh"
"$root/scripts/build.sh"
cd "$root"
ctest --preset release -j"$(nproc)"
