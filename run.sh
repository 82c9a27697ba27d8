#!/usr/bin/env bash
# Installs what is missing, builds, and starts the ORV service and client: orvserver with its
# demo subscribers (home folder run/server) and orvphone pointed at it (run/phone). Without
# a display the demo runs headless: orvcli calls the echo test with a spoken sentence.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh
# espeak-ng and sox speak and measure the sentence of the headless demo.
orv_install_packages "${ORV_BUILD_PACKAGES[@]}" espeak-ng sox

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"

exec scripts/demo.sh "$@"
