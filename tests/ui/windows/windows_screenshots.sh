#!/usr/bin/env bash
# Takes the screenshots of the settings, address book, call lists and service windows on a
# small desktop (Xvfb, openbox, tint2) into docs/screenshots (or the folder given).
#   tests/ui/windows/windows_screenshots.sh BUILD_DIR [OUT_DIR]
set -euo pipefail
build="${1:?usage: windows_screenshots.sh BUILD_DIR [OUT_DIR]}"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)"
out="${2:-$root/docs/screenshots}"
mkdir -p "$out"
source "$root/tests/screenshot_desktop.sh"
orv_desktop_start 1280x800 panel
ORV_UI_SCREENSHOT_DIR="$out" QT_QPA_PLATFORM=xcb "$build/tests/ui_windows_screenshots" --gtest_filter="WindowsScreenshots.*"
