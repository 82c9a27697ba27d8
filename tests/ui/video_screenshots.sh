#!/usr/bin/env bash
# Takes the video window screenshots on a small desktop (Xvfb, openbox, tint2) into
# docs/screenshots (or the folder given).
#   tests/ui/video_screenshots.sh BUILD_DIR [OUT_DIR]
set -euo pipefail
build="${1:?usage: video_screenshots.sh BUILD_DIR [OUT_DIR]}"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
out="${2:-$root/docs/screenshots}"
mkdir -p "$out"
source "$root/tests/screenshot_desktop.sh"
orv_desktop_start 1280x800 panel
ORV_UI_SCREENSHOT_DIR="$out" QT_QPA_PLATFORM=xcb "$build/tests/ui_video_screenshots" --gtest_filter="VideoScreenshots.*"
