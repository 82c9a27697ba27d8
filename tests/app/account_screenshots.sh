#!/usr/bin/env bash
# Screenshot of the account dialog under Xvfb, logged on at a real orvserver, into
# docs/screenshots/account.png.
#   tests/app/account_screenshots.sh [BUILD_DIR]   (default build)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
work=$(mktemp -d)
source tests/screenshot_desktop.sh
source tests/app/screenshot_server.sh
trap 'orv_stop_tracked; rm -rf "$work"' EXIT
orv_desktop_start 1024x768 wm
orv_server_start "$build" "$work" 'LISTEN account tcp '
"$build/bin/orvserver" --home "$work/server" setbalance 8001 12345 >/dev/null
mkdir -p docs/screenshots
QT_QPA_PLATFORM=xcb "$build/bin/account_screenshots" --home "$work/client" --server "$orv_server_address" \
    docs/screenshots
