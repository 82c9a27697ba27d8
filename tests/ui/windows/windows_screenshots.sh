#!/usr/bin/env bash
# Takes the screenshots of the settings, address book, call lists and service windows on a
# small desktop (Xvfb, openbox, tint2) into docs/screenshots (or the folder given).
#   tests/ui/windows/windows_screenshots.sh BUILD_DIR [OUT_DIR]
# ORV_UI_SCALE=2 takes them at 200 % (Qt's scale factor on a desktop twice the size), to
# check that nothing is cut off.
set -euo pipefail
build="${1:?usage: windows_screenshots.sh BUILD_DIR [OUT_DIR]}"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)"
out="${2:-$root/docs/screenshots}"
mkdir -p "$out"
source "$root/tests/screenshot_desktop.sh"
scale="${ORV_UI_SCALE:-1}"
orv_desktop_start "$((1280 * scale))x$((800 * scale))" panel
ORV_UI_SCREENSHOT_DIR="$out" QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR="$scale" \
    "$build/tests/ui_windows_screenshots" --gtest_filter="WindowsScreenshots.*"
