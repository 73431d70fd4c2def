#!/usr/bin/env bash
# Starts kurimo under a virtual X server and saves PNG screenshots of its window:
#   docs/kurimo-window.png  the window as it opens
#   docs/kurimo-run.png     after the default run (the result message closed)
#   docs/kurimo-result-message.png  the result message over the window
#   docs/kurimo-menu.png    the ファイル menu opened
#   docs/kurimo-chart.png   the time-series chart of the default run
#   docs/kurimo-sensitivity.png  the sensitivity window of the default case
#   docs/kurimo-copy-results.png the 編集 menu after a run of a case opened from a file
#   docs/kurimo-target.png  the load-reduction dialog with a target of 2.8 g/m3
#   docs/kurimo-report.png  the PDF report of the default case (kurimo --pdf, pdftoppm)
# Usage: scripts/screenshot.sh [output folder]   (default: docs/)
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:-docs}"
mkdir -p "$out"

extra=(xvfb xauth x11-utils xdotool imagemagick openbox poppler-utils)
missing=()
for package in "${extra[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
    missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
fi
./scripts/ensure-deps.sh
./scripts/build.sh >/dev/null

work="$(mktemp -d)"
trap 'kill "${app:-}" "${wm:-}" "${xvfb:-}" 2>/dev/null || true; rm -rf "$work"' EXIT
display=:97
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
sleep 1
export DISPLAY="$display" QT_QPA_PLATFORM=xcb
# A window manager draws the title bars, so the screenshots show the window's title.
openbox >/dev/null 2>&1 &
wm=$!
sleep 1
# The run writes its output file in the working folder: keep it out of the repository.
(cd "$work" && exec "$OLDPWD/build/window/kurimo") &
app=$!

# The id of the first window whose title contains $1, once it has appeared.
wait_for_window() {
  local id=""
  for _ in $(seq 50); do
    id="$(xdotool search --name "$1" 2>/dev/null | head -1 || true)"
    [ -n "$id" ] && break
    sleep 0.2
  done
  [ -n "$id" ] || { echo "the window '$1' did not appear" >&2; return 1; }
  echo "$id"
}
window="$(wait_for_window 'Kurimo_Ver10')"
sleep 1
# The window with its frame: climb from the client to the child of the root window.
root_id="$(xwininfo -root | sed -n 's/.*Window id: \(0x[0-9a-f]*\).*/\1/p')"
frame_of() {
  local id="$1" parent
  while true; do
    parent="$(xwininfo -id "$id" -tree | sed -n 's/^ *Parent window id: \(0x[0-9a-f]*\).*/\1/p')"
    [ -z "$parent" ] || [ "$parent" = "$root_id" ] && break
    id="$parent"
  done
  echo "$id"
}
frame="$(frame_of "$window")"
# The frame's place and size on the screen, as an ImageMagick crop geometry.
crop() {
  xwininfo -id "$frame" | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4}
    /Width:/{w=$2} /Height:/{h=$2} END{print w "x" h "+" x "+" y}'
}
import -window root -crop "$(crop)" "$out/kurimo-window.png"

# Press 計算開始 (its centre, in pixels at 96 dots per inch, below the menu bar), wait
# for the result message, close it, and take the window with the run's colours.
menu_height="${KURIMO_MENU_HEIGHT:-23}"
xdotool mousemove --window "$window" 472 $((288 + menu_height)) click 1
sleep 2
import -window root -crop "$(crop)" "$out/kurimo-result-message.png"
xdotool key Return
sleep 1
import -window root -crop "$(crop)" "$out/kurimo-run.png"

# The ファイル menu, opened with a click on its title.
xdotool mousemove --window "$window" 24 $((menu_height / 2)) click 1
sleep 1
import -window root -crop "$(crop)" "$out/kurimo-menu.png"
xdotool key Escape
sleep 0.5

# The chart of the run (表示 → 時系列グラフ…, Ctrl+G).
xdotool windowactivate --sync "$window" key ctrl+g
chart="$(wait_for_window '時系列グラフ')"
sleep 1
frame="$(frame_of "$chart")"
import -window root -crop "$(crop)" "$out/kurimo-chart.png"

# The sensitivity window (表示 → 感度分析…, Ctrl+T).
xdotool windowactivate --sync "$window" key ctrl+t
sensitivity="$(wait_for_window '感度分析')"
sleep 1
frame="$(frame_of "$sensitivity")"
import -window root -crop "$(crop)" "$out/kurimo-sensitivity.png"

# A case opened from its file at start: its name stands in front of the title. After a
# run, the 編集 menu (Alt+E) offers the copy of the results.
kill "$app" 2>/dev/null || true
wait "$app" 2>/dev/null || true
cat >"$work/湾A.kurimo" <<'CASE'
{"format": "kurimo-case", "version": 1,
 "conditions": {"bay_area": "1,500", "mean_depth": "18", "mouth_length": "7",
                "open_sea_quality": "2.4", "inflow_quality": "10", "inflow_rate": "331"},
 "multipliers": {"section": "1.0", "quality": "1.0", "quantity": "1.2"}}
CASE
(cd "$work" && exec "$OLDPWD/build/window/kurimo" "湾A.kurimo") &
app=$!
window="$(wait_for_window '湾A.kurimo')"
sleep 1
frame="$(frame_of "$window")"
xdotool windowactivate --sync "$window"
xdotool mousemove --window "$window" 472 $((288 + menu_height)) click 1
sleep 2
xdotool key Return
sleep 1
xdotool key alt+e
sleep 1
import -window root -crop "$(crop)" "$out/kurimo-copy-results.png"
xdotool key Escape
sleep 0.5

# 表示 → 負荷削減の試算… (Ctrl+L) with a target typed into its box.
xdotool windowactivate --sync "$window" key ctrl+l
target="$(wait_for_window '負荷削減の試算')"
sleep 1
xdotool type --delay 100 "2.8"
sleep 1
frame="$(frame_of "$target")"
import -window root -crop "$(crop)" "$out/kurimo-target.png"

# The report of the default case, written without a window and rendered at 60 dots per inch.
(cd "$work" && "$OLDPWD/build/window/kurimo" --pdf report.pdf)
pdftoppm -r 60 -png -singlefile "$work/report.pdf" "$out/kurimo-report"
echo "saved $out/kurimo-{window,run,result-message,menu,chart,sensitivity,copy-results,target,report}.png"
