#!/usr/bin/env bash
# Screenshot of the "Live Update" dialog under Xvfb, during a real download from a real
# orvserver, into docs/screenshots/live_update.png.
#   tests/app/update_screenshots.sh [BUILD_DIR]   (default build)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
work=$(mktemp -d)
display=:$((90 + RANDOM % 9))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
# The download lands in the program's folder: a copy of its own, not the build's.
mkdir -p "$work/program"
cp "$build/bin/update_screenshots" "$build"/bin/*.so "$work/program/"
head -c $((24 * 1024 * 1024)) /dev/urandom >"$work/orvphone"
"$build/bin/orvserver" --home "$work/server" publish "$work/orvphone" 2 >/dev/null
"$build/bin/orvserver" --home "$work/server" --user-port 0 >"$work/server.out" 2>"$work/server.err" &
server=$!
trap 'kill $server $xvfb 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 100); do grep -q '^LISTEN update tcp ' "$work/server.out" && break; sleep 0.1; done
address=$(sed -n 's/^LISTEN user udp //p' "$work/server.out" | head -1)
DISPLAY=$display openbox >/dev/null 2>&1 &
wm=$!
trap 'kill $server $xvfb $wm 2>/dev/null; rm -rf "$work"' EXIT
mkdir -p docs/screenshots
DISPLAY=$display QT_QPA_PLATFORM=xcb "$work/program/update_screenshots" --home "$work/client" --server "$address" \
    "$PWD/docs/screenshots"
