#!/usr/bin/env bash
# Screenshot of the "Live Update" dialog under Xvfb, during a real download from a real
# orvserver, into docs/screenshots/update-download.png.
#   tests/app/update_screenshots.sh [BUILD_DIR]   (default build)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
work=$(mktemp -d)
source tests/screenshot_desktop.sh
source tests/app/screenshot_server.sh
trap 'orv_stop_tracked; rm -rf "$work"' EXIT
# The download lands in the program's folder: a copy of its own, not the build's.
mkdir -p "$work/program"
cp "$build/bin/update_screenshots" "$build"/bin/*.so "$work/program/"
# A new client program, large enough to arrive in many pieces.
head -c $((24 * 1024 * 1024)) /dev/urandom >"$work/orvphone"
"$build/bin/orvserver" --home "$work/server" publish "$work/orvphone" 2 >/dev/null
orv_desktop_start 1024x768 wm
orv_server_start "$build" "$work" 'LISTEN update tcp '
mkdir -p docs/screenshots
QT_QPA_PLATFORM=xcb "$work/program/update_screenshots" --home "$work/client" --server "$orv_server_address" \
    "$PWD/docs/screenshots"
