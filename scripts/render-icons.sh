#!/usr/bin/env bash
# Renders the PNG sizes of the program's icon from data/icons/kurimo.svg into
# data/icons/kurimo-<size>.png. Run it after changing the SVG and commit the PNGs with it;
# the build uses the committed files. Installs librsvg2-bin (rsvg-convert) when missing.
set -euo pipefail
cd "$(dirname "$0")/.."

if ! dpkg-query -W -f='${Status}' librsvg2-bin 2>/dev/null | grep -q 'install ok installed'; then
  sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
    librsvg2-bin >/dev/null
fi

# The sizes must match KURIMO_ICON_SIZES in the top-level CMakeLists.txt.
for size in 16 24 32 48 64 128 256; do
  rsvg-convert --width "$size" --height "$size" data/icons/kurimo.svg \
    --output "data/icons/kurimo-$size.png"
done
