#!/usr/bin/env bash
# Smoke test of the Windows build under Wine in a virtual X server: build-windows/ombrel.exe
# opens "ZEM!", logs its start-up like the Linux build, draws a picture that is not black
# (kept as build-windows/smoke.png), ends on Escape, ends when its window is closed, and ends on
# its own at the script's "exit". Its transport works as on Linux: Space pauses and resumes,
# Left jumps 5 s back and plays on from there, Home goes to the start, a saved world is reloaded
# at the same moment, --loop plays its stretch again; and a capture draws offscreen, with no
# window on the screen, at a size larger than the screen.
# Every wait is bounded; Wine and the X server are stopped on the way out, whatever happens.
set -euo pipefail

usage() {
    echo "Usage: tools/windows/smoke.sh [--help]"
    echo "Runs build-windows/ombrel.exe (made by tools/windows/build.sh) under Wine and Xvfb."
}
case "${1:-}" in
"") ;;
-h | --help)
    usage
    exit 0
    ;;
*)
    echo "smoke.sh: unknown option '$1' (try --help)" >&2
    exit 2
    ;;
esac

cd "$(dirname "$0")/../.."
ROOT=$PWD
OUT=$ROOT/build-windows
EXE=$OUT/ombrel.exe
# The darkest mean grey (0..1) that still counts as a picture.
MIN_BRIGHTNESS=0.02

fail() {
    echo "smoke.sh: FAIL: $*" >&2
    exit 1
}
step() { echo "== $*"; }

[ -f "$EXE" ] || fail "no $EXE; run tools/windows/build.sh first"
for tool in wine wineserver Xvfb xdotool import convert identify timeout; do
    command -v "$tool" >/dev/null || fail "$tool is missing; tools/windows/build.sh installs it"
done

WORK=$(mktemp -d)
rm -rf "$OUT/smoke"
XVFB_PIDS=""
PROGRAM_PID=""
export WINEPREFIX=$OUT/wine-prefix WINEDEBUG=-all WINEARCH=win64
# No Mono or Gecko installer dialogs: they would wait for a click.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# Sound is not needed: without a sound card the music's clock runs on real time.

cleanup() {
    set +e
    [ -n "$PROGRAM_PID" ] && kill "$PROGRAM_PID" 2>/dev/null
    timeout 10 wineserver -k >/dev/null 2>&1
    for pid in $XVFB_PIDS; do
        kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
    done
    rm -rf "$WORK"
}
trap cleanup EXIT

# Polls the command (as a string) every 0.2 s until it succeeds; false after the given seconds.
wait_for() {
    local seconds=$1 command=$2 deadline
    deadline=$(($(date +%s) + seconds))
    until eval "$command" >/dev/null 2>&1; do
        [ "$(date +%s)" -lt "$deadline" ] || return 1
        sleep 0.2
    done
}

# Starts an X server with a screen of the given size and makes it the display.
start_x() {
    local size=$1 number=$WORK/display-$1
    # Wine's server and desktop stay bound to the display they started on: they go first.
    timeout 10 wineserver -k >/dev/null 2>&1 || true
    timeout 10 wineserver -w >/dev/null 2>&1 || true
    step "Starting Xvfb ($size)"
    Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$number" >"$WORK/xvfb.log" 2>&1 &
    XVFB_PIDS="$XVFB_PIDS $!"
    wait_for 15 "[ -s '$number' ]" || fail "Xvfb did not start: $(cat "$WORK/xvfb.log")"
    DISPLAY=":$(head -n1 "$number")"
    export DISPLAY
}

prepare_wine() {
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        step "Creating the Wine prefix (once)"
    fi
    timeout 180 wineboot -i >"$WORK/wineboot.log" 2>&1 ||
        fail "wineboot failed or hung (see below)$(tail -n 20 "$WORK/wineboot.log")"
    timeout 60 wineserver -w || true
}

# A copy of the program and its data in a folder of its own, as a user would unpack it.
stage() {
    local dir=$WORK/$1
    mkdir -p "$dir"
    cp -r "$ROOT/data" "$dir/"
    cp "$EXE" "$dir/"
    echo "$dir"
}

start_program() {
    local dir=$1
    shift
    (cd "$dir" && exec timeout 90 wine ombrel.exe "$@" >"$dir/stdout.txt" 2>"$dir/stderr.txt") &
    PROGRAM_PID=$!
}

# Waits for the program to end by itself; false after the given seconds.
wait_exit() {
    local seconds=$1
    wait_for "$seconds" "! kill -0 $PROGRAM_PID" || return 1
    wait "$PROGRAM_PID" 2>/dev/null || true
    PROGRAM_PID=""
}

# What the run wrote, kept beside the screen shot.
keep_output() {
    local dir=$1
    mkdir -p "$OUT/smoke/$(basename "$dir")"
    cp "$dir"/zem.log "$dir"/stdout.txt "$dir"/stderr.txt "$OUT/smoke/$(basename "$dir")/" \
        2>/dev/null || true
}

show_output() {
    local dir=$1
    echo "--- zem.log"
    cat "$dir/zem.log" 2>/dev/null || echo "(none)"
    echo "--- standard error (last lines)"
    tail -n 20 "$dir/stderr.txt" 2>/dev/null || true
}

# The start-up lines in the order the Linux build writes them; the GL report's details vary.
check_log() {
    local dir=$1 expected actual
    expected=$(printf '%s\n' "Created zem.log:" "Initializing Engine with working dir ./" \
        "Initializing display" "Initializing GL extensions:" "Initializing input" \
        "Engine: Entering main loop" "Shutting down Engine" "Closing log zem.log")
    actual=$(tr -d '\r' <"$dir/zem.log" | grep -E '^(Created|Initializing|Engine:|Shutting|Closing)' ||
        true)
    if [ "$actual" != "$expected" ]; then
        show_output "$dir"
        fail "zem.log does not have the start-up and closing lines in order"
    fi
    [ "$(grep -c '^  [+-]' "$dir/zem.log")" -eq 8 ] || fail "zem.log lacks the eight extension lines"
    grep -q '^  \* OpenGL version is .* \*' "$dir/zem.log" || fail "zem.log has no OpenGL version"
}

run_until_escape() {
    local dir window brightness started attempt
    dir=$(stage escape)
    step "Running ombrel.exe until Escape"
    start_program "$dir"
    window=$(wait_for_show "$dir")
    # The show fades in from black over its first seconds, on the music's clock: look again
    # for a while before calling the picture black.
    for attempt in 1 2 3 4 5 6; do
        sleep 2
        kill -0 "$PROGRAM_PID" 2>/dev/null || {
            show_output "$dir"
            fail "ombrel.exe ended before Escape"
        }
        timeout 20 import -window root "$OUT/smoke.png" || fail "could not take the screen shot"
        brightness=$(convert "$OUT/smoke.png" -colorspace gray -format '%[fx:mean]' info:)
        echo "mean brightness of screen shot $attempt: $brightness"
        if awk -v b="$brightness" -v m="$MIN_BRIGHTNESS" 'BEGIN { exit !(b > m) }'; then
            break
        fi
        [ "$attempt" -lt 6 ] || fail "the picture stayed black; see $OUT/smoke.png"
    done

    xdotool windowfocus --sync "$window" 2>/dev/null || true
    started=$(date +%s)
    xdotool key --clearmodifiers Escape
    wait_exit 10 || {
        show_output "$dir"
        fail "ombrel.exe did not end within 10 s of Escape"
    }
    echo "ended $(($(date +%s) - started)) s after Escape"
    keep_output "$dir"
    check_log "$dir"
}

run_until_exit() {
    local dir started
    dir=$(stage exit)
    # The show's script with an "exit" one bar in, kept in time order.
    sed -i '0,/<repeat /s//<event time="1 0 0" target="mainscript" command="exit"\/>\n&/' \
        "$dir/data/main.world"
    grep -q 'time="1 0 0" target="mainscript" command="exit"' "$dir/data/main.world" ||
        fail "could not add an early exit to the world"
    step "Running ombrel.exe until the script's exit"
    started=$(date +%s)
    start_program "$dir"
    # Far sooner than the whole show's minute.
    wait_exit 30 || {
        show_output "$dir"
        fail "ombrel.exe did not end at the script's exit within 30 s"
    }
    echo "ended by itself $(($(date +%s) - started)) s after start"
    keep_output "$dir"
    check_log "$dir"
}

# Waits for the window and the main loop; prints the window's id.
wait_for_show() {
    local dir=$1
    wait_for 60 "xdotool search --name '^ZEM!\$'" || {
        show_output "$dir" >&2
        fail "no window \"ZEM!\" appeared within 60 s"
    }
    wait_for 30 "grep -q 'Entering main loop' '$dir/zem.log'" || {
        show_output "$dir" >&2
        fail "the main loop did not start within 30 s"
    }
    xdotool search --name '^ZEM!$' | head -n1
}

run_until_closed() {
    local dir window started
    dir=$(stage close)
    step "Running ombrel.exe in a window until it is closed"
    start_program "$dir"
    window=$(wait_for_show "$dir")
    sleep 1
    started=$(date +%s)
    python3 "$ROOT/tools/windows/close-window.py" "$window" || fail "could not close the window"
    wait_exit 10 || {
        show_output "$dir"
        fail "ombrel.exe did not end within 10 s of its window being closed"
    }
    echo "ended $(($(date +%s) - started)) s after the window was closed"
    keep_output "$dir"
    check_log "$dir"
}

# The show time of the last frame on screen (the frame log's second column); -1 before any.
show_ms() {
    awk 'NR > 1 { t = $2 } END { print (t == "" ? -1 : t) }' "$1/frames.txt" 2>/dev/null ||
        echo -1
}

# Waits until the show time is at least the milliseconds given; false after the seconds.
wait_show_past() {
    local dir=$1 ms=$2 seconds=$3
    wait_for "$seconds" "[ \$(show_ms '$dir') -ge $ms ]"
}

press() {
    xdotool windowfocus --sync "$1" 2>/dev/null || true
    xdotool key --clearmodifiers "$2"
}

# The Linux build's message when the music cannot follow a jump; never on Windows now.
check_no_stuck_music() {
    if grep -q "cannot seek" "$1/zem.log" "$1/stderr.txt" 2>/dev/null; then
        show_output "$1"
        fail "the music could not follow a jump: \"$(grep -h 'cannot seek' "$1/zem.log" | head -n1)\""
    fi
}

run_transport() {
    local dir window paused resumed before back at
    dir=$(stage transport)
    step "Running ombrel.exe through a pause, jumps back and a reload on save"
    start_program "$dir" --frame-log frames.txt
    window=$(wait_for_show "$dir")
    wait_show_past "$dir" 10000 60 || fail "the show did not reach 10 s within 60 s"

    # Paused, only the picture's lead (a frame and a half) may still move the show time.
    press "$window" space
    sleep 1
    paused=$(show_ms "$dir")
    sleep 1.5
    [ "$(show_ms "$dir")" -le $((paused + 100)) ] ||
        fail "Space did not pause the show: it ran on from $paused to $(show_ms "$dir") ms"
    press "$window" space
    wait_show_past "$dir" $((paused + 1000)) 10 || fail "Space did not resume the show"
    resumed=$(awk -v p="$paused" 'NR > 1 && $2 > p { print $2; exit }' "$dir/frames.txt")
    [ "$resumed" -le $((paused + 500)) ] ||
        fail "the show went on from $resumed ms, not from $paused ms where it paused"
    echo "paused at $paused ms, went on from $resumed ms"

    before=$(show_ms "$dir")
    press "$window" Left
    wait_for 20 "[ \$(show_ms '$dir') -lt $((before - 3000)) ]" || fail "Left did not jump back"
    back=$(show_ms "$dir")
    [ "$back" -ge $((before - 6000)) ] ||
        fail "Left went back from $before to $back ms, not 5 s"
    wait_show_past "$dir" $((back + 1000)) 10 || fail "the show did not go on after Left"
    echo "Left at $before ms went back to $back ms and played on"

    press "$window" Home
    wait_for 20 "[ \$(show_ms '$dir') -lt 1500 ]" || fail "Home did not go to the start"
    wait_show_past "$dir" 6000 20 || fail "the show did not go on after Home"
    at=$(show_ms "$dir")
    sed -i 's|</ZEMWorld>|<!-- saved --></ZEMWorld>|' "$dir/data/main.world"
    wait_for 15 "grep -q 'Reloading the world' '$dir/zem.log'" ||
        fail "saving the world did not reload it"
    sleep 1
    [ "$(show_ms "$dir")" -ge "$at" ] ||
        fail "the reload at $at ms went back to $(show_ms "$dir") ms"
    echo "Home went to the start; the world saved at $at ms was reloaded at $(show_ms "$dir") ms"
    check_no_stuck_music "$dir"

    press "$window" Escape
    wait_exit 10 || fail "ombrel.exe did not end within 10 s of Escape"
    keep_output "$dir"
    cp "$dir/frames.txt" "$OUT/smoke/transport/" 2>/dev/null || true
}

run_loop() {
    local dir window wraps
    dir=$(stage loop)
    step "Running ombrel.exe with --start 3 --end 6 --loop"
    start_program "$dir" --start 3 --end 6 --loop --frame-log frames.txt
    window=$(wait_for_show "$dir")
    # Each pass takes 3 s; two whole passes and the start of a third.
    wait_for 40 "[ \$(awk 'NR > 2 && \$2 < p - 1500 { n++ } { p = \$2 } END { print n + 0 }' \
        '$dir/frames.txt') -ge 2 ]" || fail "--loop did not play its stretch again twice"
    press "$window" Escape
    wait_exit 10 || fail "ombrel.exe did not end within 10 s of Escape"
    # Every frame stands within the stretch: a pass starts again at 3 s, not at 0.
    wraps=$(awk 'NR > 1 && ($2 < 2900 || $2 > 6500) { bad++ } NR > 2 && $2 < p - 1500 { n++ }
        { p = $2 } END { print n + 0, bad + 0 }' "$dir/frames.txt")
    [ "${wraps#* }" = 0 ] || {
        show_output "$dir"
        fail "frames outside 3-6 s in a --loop run (see $OUT/smoke/loop/frames.txt)"
    }
    check_no_stuck_music "$dir"
    keep_output "$dir"
    cp "$dir/frames.txt" "$OUT/smoke/loop/" 2>/dev/null || true
    echo "played 3-6 s again ${wraps% *} times"
}

# A capture larger than the screen, with no window shown meanwhile.
run_capture() {
    local dir size brightness
    dir=$(stage capture)
    step "Capturing a frame of 1280 x 720 on a 640 x 480 screen"
    start_program "$dir" --capture shots --start 30 --end 30.1 --fps 10 --size 1280x720
    while kill -0 "$PROGRAM_PID" 2>/dev/null; do
        if xdotool search --onlyvisible --name '^ZEM!$' >/dev/null 2>&1; then
            show_output "$dir"
            fail "a capture showed a window"
        fi
        sleep 0.2
    done
    wait "$PROGRAM_PID" 2>/dev/null || true
    PROGRAM_PID=""
    keep_output "$dir"
    [ -f "$dir/shots/frame-000000.png" ] || {
        show_output "$dir"
        fail "the capture wrote no frame"
    }
    cp "$dir/shots/frame-000000.png" "$OUT/smoke-capture.png"
    size=$(identify -format '%wx%h' "$dir/shots/frame-000000.png")
    [ "$size" = 1280x720 ] || fail "the captured frame is $size, not 1280x720"
    # The whole frame drawn: its right half is not black either.
    brightness=$(convert "$dir/shots/frame-000000.png" -crop 640x720+640+0 -colorspace gray \
        -format '%[fx:mean]' info:)
    awk -v b="$brightness" -v m="$MIN_BRIGHTNESS" 'BEGIN { exit !(b > m) }' ||
        fail "the right half of the captured frame is black (see $OUT/smoke-capture.png)"
    echo "captured 1280x720 offscreen, no window shown (right half brightness $brightness)"
}

# 640 x 480 is also the show's full-screen mode, so the screen shot is the show alone.
start_x 640x480
prepare_wine
run_until_escape
run_until_exit
run_transport
run_loop
run_capture
# A screen larger than the mode: the show opens in a window, which has a close button.
start_x 800x600
run_until_closed
step "Windows smoke test passed (screen shot: $OUT/smoke.png)"
