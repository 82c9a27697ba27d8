#!/usr/bin/env bash
# Takes the main window screenshots under Xvfb into docs/screenshots (or the folder given).
#   tests/ui/screenshots.sh BUILD_DIR [OUT_DIR]
set -euo pipefail
build="${1:?usage: screenshots.sh BUILD_DIR [OUT_DIR]}"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
out="${2:-$root/docs/screenshots}"
mkdir -p "$out"
ORV_UI_SCREENSHOT_DIR="$out" QT_QPA_PLATFORM=xcb \
    xvfb-run -a -s '-screen 0 1024x768x24' \
    "$build/tests/ui_tests" --gtest_filter='Screenshots.*'
