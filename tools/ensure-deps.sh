#!/usr/bin/env bash
# Installs the Debian packages the build needs, when any is missing.
# Sourced by run.sh and test.sh; safe to run again.
ZEM_PACKAGES="g++ cmake make pkg-config libsdl2-dev libglew-dev libglu1-mesa-dev libgl1-mesa-dri \
libegl-mesa0 libvorbis-dev libpng-dev libgtest-dev libbenchmark-dev libpugixml-dev \
libtinyobjloader-dev xvfb xauth ffmpeg imagemagick pulseaudio pulseaudio-utils clang \
libclang-rt-dev"

zem_missing_packages() {
    local missing=""
    for pkg in $ZEM_PACKAGES; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" ||
            missing="$missing $pkg"
    done
    echo "$missing"
}

zem_ensure_deps() {
    local missing
    missing=$(zem_missing_packages)
    [ -z "$missing" ] && return 0
    if [ "$(id -u)" -eq 0 ]; then
        echo "Installing:$missing"
        export DEBIAN_FRONTEND=noninteractive
        apt-get update -qq && apt-get install -y -qq $missing >/dev/null || return 1
    else
        echo "Missing packages. Run as root:"
        echo "  apt-get update && apt-get install -y$missing"
        return 1
    fi
}

zem_build() {
    local dir=$1 type=$2
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE="$type" >/dev/null &&
        cmake --build "$dir" -j "$(nproc)"
}
