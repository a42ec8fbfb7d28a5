#!/usr/bin/env bash
# Installs what is missing, builds the demo in Release and plays it. Arguments go to ombrel
# (./run.sh --help lists them).
set -eu
cd "$(dirname "$0")"
. tools/ensure-deps.sh
zem_ensure_play_deps
if [ ! -x build/ombrel ]; then
    echo "Building the demo (the first build takes about two minutes on two cores)..."
fi
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DZEM_BUILD_TESTS=OFF -DZEM_BUILD_BENCH=OFF \
    -DZEM_BUILD_TOOLS=OFF >/dev/null
cmake --build build --target ombrel -j "$(nproc)"
# Help, a check and a capture draw nothing to watch anyway.
plays=1
for argument in "$@"; do
    case "$argument" in -h | --help | --check | --capture | --capture=*) plays=0 ;; esac
done
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${SDL_VIDEODRIVER:-}" ]; then
    if [ "$plays" = 1 ]; then
        echo "No display found: playing the demo headless (offscreen video, no sound): nothing" \
            "to see."
        echo "Messages go here and to zem.log, --stats adds a line a second, Ctrl+C stops it;" \
            "to watch the show, make a video: ./build/ombrel --capture show.mp4 (needs ffmpeg)."
    fi
    export SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy
fi
exec ./build/ombrel "$@"
