#!/usr/bin/env bash
# Measures how far the script's clock, or the picture, is from the sound that comes out: starts a
# private PulseAudio server with a null sink, runs a bench against it, and stops the server.
#
#   tools/avsync.sh [--build DIR] [AvSyncBench options]
#   tools/avsync.sh --picture [--build DIR] [BeatSyncBench options]
#
# Without --picture, AvSyncBench plays a click track through the music layer and compares each
# click heard with the script's clock: --offset MS, --seconds S, --suspend-at S, --suspend-for S,
# --no-device (see AvSyncBench --help).
# With --picture, BeatSyncBench plays a world cutting between two cameras on every beat of a
# click track with the real program, and compares when each cut went on screen with when its
# click was heard: --bpm N, --beats N, --offset MS, --max-fps N, --size WxH, --program PATH,
# --data DIR, --keep, --verbose (see BeatSyncBench --help).
# --build DIR is the build folder holding bench/ (default build-test). Run from the repository
# root.
set -u
build=build-test
bench=AvSyncBench
args=()
while [ $# -gt 0 ]; do
    case "$1" in
    --help | -h)
        sed -n '2,16p' "$0" | sed 's/^# \{0,1\}//'
        exit 0
        ;;
    --picture)
        bench=BeatSyncBench
        shift
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
program="$build/bench/$bench"
[ -x "$program" ] || {
    echo "$0: no $program; build it with: cmake --build $build --target $bench" >&2
    exit 2
}
here=$(cd "$(dirname "$0")" && pwd)
dir=$(mktemp -d /tmp/zem-pulse-XXXXXX)
trap '"$here/pulse-null-sink.sh" stop "$dir"; rm -rf "$dir"' EXIT
server=$("$here/pulse-null-sink.sh" start "$dir") || exit 1
export "$server" SDL_AUDIODRIVER=pulseaudio
"$program" "${args[@]}"
