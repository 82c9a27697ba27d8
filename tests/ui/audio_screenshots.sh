#!/usr/bin/env bash
# Takes the audio settings, audio test and docking screenshots on a small desktop (Xvfb,
# openbox, tint2) into docs/screenshots (or the folder given).
#   tests/ui/audio_screenshots.sh BUILD_DIR [OUT_DIR]
set -euo pipefail
build="${1:?usage: audio_screenshots.sh BUILD_DIR [OUT_DIR]}"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
out="${2:-$root/docs/screenshots}"
mkdir -p "$out"
source "$root/tests/screenshot_desktop.sh"
orv_desktop_start 1280x800 panel
ORV_UI_SCREENSHOT_DIR="$out" QT_QPA_PLATFORM=xcb "$build/tests/ui_audio_screenshots" --gtest_filter="AudioScreenshots.*"
