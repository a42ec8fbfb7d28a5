#!/usr/bin/env bash
# Installs what is missing, builds and runs every test headless.
set -eu
cd "$(dirname "$0")"
. tools/ensure-deps.sh
zem_ensure_deps
zem_build build-test RelWithDebInfo
export SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy
(cd build-test && ctest --output-on-failure -j "$(nproc)" "$@")
# The Windows build, when tools/windows/build.sh has made one, runs under Wine.
if [ -f build-windows/ombrel.exe ]; then
    tools/windows/smoke.sh
fi
