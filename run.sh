#!/usr/bin/env bash
# Installs what is missing, builds, and runs Kurimo on the default case (or on the
# conditions given as options, see --help). Writes Kurimo_OUT.txt in the current folder.
set -euo pipefail
root="$(cd "$(dirname "$0")" && pwd)"
"$root/scripts/ensure-deps.sh"
"$root/scripts/build.sh"
status=0
"$root/build/batch/kurimo-batch" "$@" || status=$?
exit "$status"
