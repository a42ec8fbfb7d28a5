#!/usr/bin/env bash
# Installs what is missing, builds the demo in Release and plays it. Arguments go to ombrel
# (./run.sh --help lists them).
set -eu
cd "$(dirname "$0")"
. tools/ensure-deps.sh
zem_ensure_deps
if [ ! -x build/ombrel ]; then
    echo "Building the demo (the first build takes about two minutes on two cores)..."
fi
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DZEM_BUILD_TESTS=OFF -DZEM_BUILD_BENCH=OFF \
    -DZEM_BUILD_TOOLS=OFF >/dev/null
cmake --build build --target ombrel -j "$(nproc)"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${SDL_VIDEODRIVER:-}" ]; then
    echo "No display found: playing the demo headless (offscreen video, no sound)."
    export SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy
fi
exec ./build/ombrel "$@"
