#!/usr/bin/env bash
# Screenshots of Morvane.exe's main window (after loading a board) and of its warning
# dialog, taken from the X display that Wine draws on, into OUT_DIR as PNG files.
# usage: screenshots.sh WINE_RUN PREFIX POSE_EXE BOARD SWELL OUT_DIR
set -euo pipefail
wine_run=$1 prefix=$2 pose=$3 board=$4 swell=$5 out=$6
state=$out/screenshot-state
rm -rf "$state"
mkdir -p "$state"

"$wine_run" "$prefix" "$pose" "Z:$board" "Z:$state" "$swell" &
pid=$!

display() {
  if [ -n "${DISPLAY:-}" ]; then echo "$DISPLAY"; else cat "$(dirname "$prefix")/wine-state/xvfb.display"; fi
}

shoot() {
  local name=$1
  for _ in $(seq 600); do
    [ -f "$state/$name.rect" ] && break
    if ! kill -0 "$pid" 2>/dev/null; then echo "FAIL: the pose program ended before the $name window"; exit 1; fi
    sleep 0.1
  done
  if [ ! -f "$state/$name.rect" ]; then echo "FAIL: no $name window"; kill "$pid"; exit 1; fi
  sleep 1  # the window's first paint
  DISPLAY=$(display) import -window root -crop "$(cat "$state/$name.rect")" +repage "$out/morvane-$name.png"
  echo "saved $out/morvane-$name.png ($(cat "$state/$name.rect"))"
  touch "$state/$name.done"
}

shoot main
shoot warning
wait "$pid"
for name in main warning; do
  [ -s "$out/morvane-$name.png" ] || { echo "FAIL: empty $name screenshot"; exit 1; }
done
