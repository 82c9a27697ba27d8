#!/usr/bin/env bash
# Screenshot of the account dialog under Xvfb, logged on at a real orvserver, into
# docs/screenshots/account.png.
#   tests/app/account_screenshots.sh [BUILD_DIR]   (default build)
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
for _ in $(seq 100); do grep -q '^LISTEN account tcp ' "$work/server.out" && break; sleep 0.1; done
address=$(sed -n 's/^LISTEN user udp //p' "$work/server.out" | head -1)
"$build/bin/orvserver" --home "$work/server" setbalance 8001 12345 >/dev/null
DISPLAY=$display openbox >/dev/null 2>&1 &
wm=$!
trap 'kill $server $xvfb $wm 2>/dev/null; rm -rf "$work"' EXIT
mkdir -p docs/screenshots
DISPLAY=$display QT_QPA_PLATFORM=xcb "$build/bin/account_screenshots" --home "$work/client" --server "$address" \
    docs/screenshots
