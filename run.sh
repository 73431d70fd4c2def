#!/usr/bin/env bash
# Installs what is missing, builds, and starts Kurimo's window. Without a display, or
# with options (see ./run.sh --help), runs the batch runner instead: the default case, or
# the conditions given. A run writes Kurimo_OUT.txt in the current folder.
set -euo pipefail
root="$(cd "$(dirname "$0")" && pwd)"
"$root/scripts/ensure-deps.sh"
"$root/scripts/build.sh"
if [ $# -eq 0 ]; then
  if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec "$root/build/window/kurimo"
  fi
  echo "画面がない（DISPLAY も WAYLAND_DISPLAY もない）ため、ウィンドウの代わりに既定のケースをバッチで計算します。" >&2
fi
status=0
"$root/build/batch/kurimo-batch" "$@" || status=$?
exit "$status"
