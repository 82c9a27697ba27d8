#!/usr/bin/env bash
# Screenshots of the splash, the logon dialog and the main window under Xvfb, into
# docs/screenshots/.
#   tests/app/take_screenshots.sh [BUILD_DIR]   (default build)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
work=$(mktemp -d)
source tests/screenshot_desktop.sh
source tests/app/screenshot_server.sh
trap 'orv_stop_tracked; rm -rf "$work"' EXIT
orv_desktop_start 1024x768 bare
orv_server_start "$build" "$work" 'LISTEN user udp '
mkdir -p docs/screenshots
# The handset the logon dialog opens is plugged in as soon as its driver listens.
(for _ in $(seq 300); do "$build/bin/handsetctl" --home "$work/client" plug >/dev/null 2>&1 && break; sleep 0.1; done) &
QT_QPA_PLATFORM=xcb "$build/bin/app_screenshots" --home "$work/client" --server "$orv_server_address" docs/screenshots
QT_QPA_PLATFORM=xcb ORV_UI_SCREENSHOT_DIR=docs/screenshots "$build/tests/ui_screenshots"
