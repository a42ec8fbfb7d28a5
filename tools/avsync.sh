#!/usr/bin/env bash
# Measures how far the script's clock is from the sound that comes out: starts a private
# PulseAudio server with a null sink, runs AvSyncBench against it, and stops the server.
#
#   tools/avsync.sh [--build DIR] [AvSyncBench options]
#
# --build DIR is the build folder holding bench/AvSyncBench (default build-test). Every other
# option goes to the bench: --offset MS, --seconds S, --suspend-at S, --suspend-for S,
# --no-device (see AvSyncBench --help). Run from the repository root.
set -u
build=build-test
args=()
while [ $# -gt 0 ]; do
    case "$1" in
    --help | -h)
        sed -n '2,9p' "$0" | sed 's/^# \{0,1\}//'
        exit 0
        ;;
    --build)
        [ $# -ge 2 ] || {
            echo "$0: --build needs a folder" >&2
            exit 2
        }
        build=$2
        shift 2
        ;;
    *)
        args+=("$1")
        shift
        ;;
    esac
done
bench="$build/bench/AvSyncBench"
[ -x "$bench" ] || {
    echo "$0: no $bench; build it with: cmake --build $build --target AvSyncBench" >&2
    exit 2
}
here=$(cd "$(dirname "$0")" && pwd)
dir=$(mktemp -d /tmp/zem-pulse-XXXXXX)
trap '"$here/pulse-null-sink.sh" stop "$dir"; rm -rf "$dir"' EXIT
server=$("$here/pulse-null-sink.sh" start "$dir") || exit 1
export "$server" SDL_AUDIODRIVER=pulseaudio
"$bench" "${args[@]}"
