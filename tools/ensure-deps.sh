#!/usr/bin/env bash
# Installs the Debian packages the build needs, when any is missing.
# Sourced by run.sh (what playing needs) and test.sh (the rest as well); safe to run again.
# Building and playing the demo.
ZEM_PLAY_PACKAGES="g++ cmake make pkg-config libsdl2-dev libglew-dev libglu1-mesa-dev \
libgl1-mesa-dri libegl-mesa0 libvorbis-dev libpng-dev"
# Tests, benchmarks, fuzzing and what the tests drive: a screen, videos, a sound server.
ZEM_TEST_PACKAGES="libgtest-dev libbenchmark-dev libpugixml-dev libtinyobjloader-dev xvfb xauth \
ffmpeg imagemagick pulseaudio pulseaudio-utils clang libclang-rt-dev"
ZEM_PACKAGES="$ZEM_PLAY_PACKAGES $ZEM_TEST_PACKAGES"

# The packages named (the build's by default) that are not installed.
zem_missing_packages() {
    local pkg missing=""
    for pkg in ${*:-$ZEM_PACKAGES}; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" ||
            missing="$missing $pkg"
    done
    echo "$missing"
}

# Installs those of the packages named that are missing: as root with apt-get, waiting for
# another apt (an unattended upgrade, say) rather than failing at once; otherwise says what to
# run. --no-recommends first leaves the packages' recommendations out.
zem_install_packages() {
    local options=""
    if [ "${1:-}" = "--no-recommends" ]; then
        options="--no-install-recommends"
        shift
    fi
    local missing
    missing=$(zem_missing_packages "$@")
    [ -z "$missing" ] && return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "Missing packages. Run as root:"
        echo "  apt-get update && apt-get install -y$missing"
        return 1
    fi
    echo "Installing:$missing"
    export DEBIAN_FRONTEND=noninteractive
    # shellcheck disable=SC2086
    apt-get update -qq &&
        apt-get install -y -qq $options -o DPkg::Lock::Timeout=600 $missing >/dev/null
}

# Everything: the build, the tests, the benchmarks and the fuzzers.
zem_ensure_deps() {
    # shellcheck disable=SC2086
    zem_install_packages $ZEM_PACKAGES
}

# Only what building and playing the demo needs.
zem_ensure_play_deps() {
    # shellcheck disable=SC2086
    zem_install_packages $ZEM_PLAY_PACKAGES
}

zem_build() {
    local dir=$1 type=$2
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE="$type" >/dev/null &&
        cmake --build "$dir" -j "$(nproc)"
}

# A clang build of everything but the benchmarks and generators, with sanitizers: "address"
# (AddressSanitizer and UndefinedBehaviorSanitizer, into build-sanitize) or "thread"
# (ThreadSanitizer, into build-tsan). Builds the targets named, or all of them.
zem_build_sanitized() {
    local kind=$1 dir sanitizers flags
    shift
    case "$kind" in
    address)
        dir=build-sanitize sanitizers=address,undefined
        flags="-fsanitize=$sanitizers -fno-sanitize-recover=undefined"
        ;;
    thread) dir=build-tsan sanitizers=thread flags="-fsanitize=$sanitizers" ;;
    *)
        echo "zem_build_sanitized: unknown kind '$kind'" >&2
        return 2
        ;;
    esac
    local targets=()
    [ $# -gt 0 ] && targets=(--target "$@")
    CC=clang CXX=clang++ cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DZEM_BUILD_BENCH=OFF -DZEM_BUILD_TOOLS=OFF \
        -DCMAKE_CXX_FLAGS="$flags -fno-omit-frame-pointer" \
        -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=$sanitizers" >/dev/null &&
        cmake --build "$dir" -j "$(nproc)" "${targets[@]}"
}
