#!/usr/bin/env bash
# Installs what is missing, builds in Release and plays the demo.
set -eu
cd "$(dirname "$0")"
. tools/ensure-deps.sh
zem_ensure_deps
zem_build build Release
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${SDL_VIDEODRIVER:-}" ]; then
    echo "No display found: playing the demo headless (offscreen video, no sound)."
    export SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy
fi
exec ./build/ombrel
