#!/usr/bin/env bash
# Takes the conference window screenshots of a live room (orvserver and three orvcli
# members) on a small desktop (Xvfb, openbox, tint2) into docs/screenshots (or the folder
# given).
#   tests/ui/conference_screenshots.sh BUILD_DIR [OUT_DIR]
set -euo pipefail
build="${1:?usage: conference_screenshots.sh BUILD_DIR [OUT_DIR]}"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
out="${2:-$root/docs/screenshots}"
mkdir -p "$out"
export ORV_UI_SCREENSHOT_DIR="$out" QT_QPA_PLATFORM=xcb
xvfb-run -a -s '-screen 0 1280x800x24' bash -c '
    openbox & wm=$!
    tint2 >/dev/null 2>&1 & panel=$!
    sleep 1
    status=0
    "$0" --gtest_filter="ConferenceWindowLive.*" || status=$?
    kill "$panel" "$wm" 2>/dev/null || true
    exit "$status"' "$build/tests/ui_live_video_tests"
