#!/usr/bin/env bash
# Screenshots of the splash, the logon dialog and the main window under Xvfb, into
# docs/screenshots/.
#   tests/app/take_screenshots.sh [BUILD_DIR]   (default build)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
work=$(mktemp -d)
display=:$((90 + RANDOM % 9))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
"$build/bin/orvserver" --home "$work/server" --user-port 0 >"$work/server.out" 2>"$work/server.err" &
server=$!
trap 'kill $server $xvfb 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 100); do grep -q '^LISTEN user udp ' "$work/server.out" && break; sleep 0.1; done
address=$(sed -n 's/^LISTEN user udp //p' "$work/server.out" | head -1)
mkdir -p docs/screenshots
DISPLAY=$display QT_QPA_PLATFORM=xcb "$build/bin/app_screenshots" --home "$work/client" --server "$address" \
    docs/screenshots
DISPLAY=$display QT_QPA_PLATFORM=xcb ORV_UI_SCREENSHOT_DIR=docs/screenshots "$build/tests/ui_screenshots"
