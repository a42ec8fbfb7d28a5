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
# --windows measures the Windows build under Wine, through Wine's PulseAudio driver: the music
# layer of build-windows/bench/AvSyncPlayer.exe, or with --picture build-windows/ombrel.exe
# (ZEM_WINDOWS_PROGRAM names another), in a virtual X server when there is no display.
# --build DIR is the build folder holding bench/ (default build-test). Run from the repository
# root.
set -u
build=build-test
bench=AvSyncBench
windows=0
args=()
while [ $# -gt 0 ]; do
    case "$1" in
    --help | -h)
        sed -n '2,19p' "$0" | sed 's/^# \{0,1\}//'
        exit 0
        ;;
    --picture)
        bench=BeatSyncBench
        shift
        ;;
    --windows)
        windows=1
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
if [ $windows = 1 ]; then
    root=$(cd "$here/.." && pwd)
    export WINEPREFIX=${WINEPREFIX:-$root/build-windows/wine-prefix} WINEDEBUG=-all WINEARCH=win64
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    if [ $bench = AvSyncBench ]; then
        player=$root/build-windows/bench/AvSyncPlayer.exe
        [ -f "$player" ] || {
            echo "$0: no $player; run tools/windows/build.sh" >&2
            exit 2
        }
        args=(--windows-player "$player" "${args[@]}")
    else
        args=(--program "$here/windows/wine-ombrel.sh" --wine "${args[@]}")
    fi
    # Wine's server starts afresh, with this run's sound server and display.
    timeout 10 wineserver -k >/dev/null 2>&1
fi
dir=$(mktemp -d /tmp/zem-pulse-XXXXXX)
trap '"$here/pulse-null-sink.sh" stop "$dir"; rm -rf "$dir"' EXIT
server=$("$here/pulse-null-sink.sh" start "$dir") || exit 1
export "$server" SDL_AUDIODRIVER=pulseaudio
if [ $windows = 1 ] && [ $bench = BeatSyncBench ] && [ -z "${DISPLAY:-}" ]; then
    xvfb-run -a -s "-screen 0 800x600x24" "$program" "${args[@]}"
else
    "$program" "${args[@]}"
fi
status=$?
[ $windows = 1 ] && timeout 10 wineserver -k >/dev/null 2>&1
exit $status
