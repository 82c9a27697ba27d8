#!/usr/bin/env bash
# The whole of a 1280 x 800 screen at 200 % (Xvfb, openbox and the tint2 panel), with the
# main window fitted to it in a talk, into docs/screenshots/main-200-1280x800.png.
#   tests/ui/screen_fit_screenshot.sh [BUILD_DIR]   (default build)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
source tests/screenshot_desktop.sh
orv_desktop_start 1280x800 panel
mkdir -p docs/screenshots
QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=2 ORV_UI_SCREENSHOT_DIR=docs/screenshots \
    "$build/tests/ui_screen_fit_tests" --gtest_filter='ScreenFitScreenshot.*'
