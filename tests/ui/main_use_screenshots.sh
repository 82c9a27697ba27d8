#!/usr/bin/env bash
# Screenshots of the main window in use under Xvfb with openbox and a tint2 tray, into
# docs/screenshots/.
#   tests/ui/main_use_screenshots.sh [BUILD_DIR]   (default build)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
source tests/screenshot_desktop.sh
trap 'orv_stop_tracked' EXIT
orv_desktop_start 1280x800 panel
mkdir -p docs/screenshots
QT_QPA_PLATFORM=xcb ORV_UI_SCREENSHOT_DIR=docs/screenshots "$build/tests/ui_main_use_screenshots"
