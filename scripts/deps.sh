# Debian packages the project needs; sourced by run.sh and test.sh.
# Installs only what is missing, non-interactively, with sudo when not root.

ORV_BUILD_PACKAGES=(
    build-essential cmake ninja-build ccache pkg-config git
    libgtest-dev libgmock-dev libbenchmark-dev
    qt6-base-dev libgl-dev
    libavcodec-dev libavutil-dev libswscale-dev libx264-dev
    libasound2-dev libsqlite3-dev libwebrtc-audio-processing-dev libsodium-dev
)
ORV_TEST_PACKAGES=(
    clang libclang-rt-14-dev
    ffmpeg sox espeak-ng xvfb xauth libbcg729-dev alsa-utils openbox tint2 mount dbus-daemon
    desktop-file-utils appstream tshark iproute2 debootstrap
)

orv_install_packages() {
    local missing=()
    local p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    export DEBIAN_FRONTEND=noninteractive
    "${sudo[@]}" apt-get update -qq
    "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# ccache shares its cache between clones of the repository in other folders.
export CCACHE_BASEDIR="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export CCACHE_NOHASHDIR=1
