#!/usr/bin/env bash
# Installs what is missing, builds, and starts the ORV service and client.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh
orv_install_packages "${ORV_BUILD_PACKAGES[@]}"

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"

bin=build/bin
if [ -x "$bin/orvserver" ] && [ -x "$bin/orvphone" ]; then
    exec scripts/demo.sh "$@"
fi
echo "Built into $bin. The service (orvserver) and the client (orvphone) are not part of this build yet;"
echo "once they are, this script starts orvserver with its demo subscribers and then orvphone pointed at it."
