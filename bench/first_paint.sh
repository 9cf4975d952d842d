#!/usr/bin/env bash
# Start to first paint of the main window with the demo competition, under Xvfb: the time
# from just before the process is started to the first paint event of the window, as
# ligawin32 --first-paint-exit reports it. Prints the five runs and their median.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
liga=$build/src/cli/liga
window=$build/src/gui/ligawin32

home=$(mktemp -d)
display=":$((210 + RANDOM % 40))"
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true; rm -rf "$home"' EXIT
for _ in $(seq 50); do
  [ -e "/tmp/.X11-unix/X${display#:}" ] && break
  sleep 0.1
done
export DISPLAY=$display QT_QPA_PLATFORM=xcb
export HOME=$home XDG_CONFIG_HOME=$home/.config XDG_DOCUMENTS_DIR=$home/Dokument
"$liga" --quiet demo >/dev/null
"$window" --first-paint-exit >/dev/null 2>&1  # warm the file cache once

runs=()
for _ in 1 2 3 4 5; do
  start=$(date +%s%N)
  painted=$("$window" --first-paint-exit 2>/dev/null | awk '/^first-paint-ns/ { print $2 }')
  runs+=($(((painted - start) / 1000000)))
done
sorted=($(printf '%s\n' "${runs[@]}" | sort -n))
echo "start till första målning (ms): ${runs[*]}"
echo "median: ${sorted[2]} ms"
