#!/usr/bin/env bash
# Plays the program for a long time and checks that it neither crashes nor grows:
#   loop   the shipped show looped (ombrel --loop) for an hour, headless; its resident memory
#          at the end must not exceed what it was after the first loop by more than 5 %.
#   storm  a world, a mesh, a texture and a shader of a world of its own saved every 100 ms for
#          ten minutes, broken and mended in turn, while an AddressSanitizer build plays it: no
#          crash, no sanitizer report, and the memory flat: the end no more than 5 % above the
#          highest sample of the run's second quarter (the world is built again every second or
#          so, and a leak outgrows those peaks where noise does not).
# --short does both in about three minutes (CI runs it). Exit 0 when every check holds, 1 when
# one fails, 2 for bad use.
set -eu

usage() {
    cat <<'TEXT'
Usage: tools/soak.sh [options]
Soaks the show: a long looped play, then a reload-on-save storm under AddressSanitizer.

Options:
  -h, --help           print this help and exit
  --short              the form CI runs: a 2-minute loop of the first 30 s, a 1-minute storm
  --only loop|storm    run only one of the two
  --loop-minutes M     how long the looped show plays (default: 60)
  --loop-end S         show time in seconds where each loop ends (default: 149, the whole show)
  --storm-minutes M    how long the files are saved (default: 10)
  --window WxH         window size for both plays (default: the show's own 640x480)
  --max-fps N          frames a second at most (default: as many as the machine draws)
  --keep DIR           keep the logs and the storm's files in DIR (default: a temporary folder,
                       removed when every check holds)
TEXT
}

bad_use() {
    echo "soak.sh: $1 (see --help)" >&2
    exit 2
}

is_number() {
    [[ "$1" =~ ^[0-9]+([.][0-9]+)?$ ]] && [[ ! "$1" =~ ^0+([.]0+)?$ ]]
}

only=""
loop_minutes=60
loop_end=149
storm_minutes=10
window=""
max_fps=""
keep=""
while [ $# -gt 0 ]; do
    case "$1" in
    -h | --help)
        usage
        exit 0
        ;;
    --short)
        loop_minutes=2
        loop_end=30
        storm_minutes=1
        ;;
    --only | --loop-minutes | --loop-end | --storm-minutes | --window | --max-fps | --keep)
        [ $# -ge 2 ] || bad_use "$1 needs a value"
        case "$1" in
        --only)
            [ "$2" = loop ] || [ "$2" = storm ] || bad_use "--only takes loop or storm, not '$2'"
            only=$2
            ;;
        --window)
            [[ "$2" =~ ^[1-9][0-9]*x[1-9][0-9]*$ ]] || bad_use "--window needs WxH, not '$2'"
            window=$2
            ;;
        --keep) keep=$2 ;;
        *)
            is_number "$2" || bad_use "$1 needs a positive number, not '$2'"
            case "$1" in
            --loop-minutes) loop_minutes=$2 ;;
            --loop-end) loop_end=$2 ;;
            --storm-minutes) storm_minutes=$2 ;;
            --max-fps) max_fps=$2 ;;
            esac
            ;;
        esac
        shift
        ;;
    *) bad_use "unknown argument '$1'" ;;
    esac
    shift
done

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
. tools/ensure-deps.sh
zem_ensure_deps

if [ -n "$keep" ]; then
    mkdir -p "$keep"
    work=$(cd "$keep" && pwd)
else
    work=$(mktemp -d /tmp/zem-soak.XXXXXX)
fi
export SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy

play_options=()
[ -n "$window" ] && play_options+=(--window "$window")
[ -n "$max_fps" ] && play_options+=(--max-fps "$max_fps")

seconds_of() {
    awk -v m="$1" 'BEGIN { printf "%d", m * 60 }'
}

# Resident memory of the process in kB, or nothing once it has gone.
rss_of() {
    awk '/^VmRSS:/ { print $2 }' "/proc/$1/status" 2>/dev/null || true
}

# "A -> B kB (+P %)", and whether B lies within 5 % of A.
compare_rss() {
    awk -v a="$1" -v b="$2" 'BEGIN {
        change = (b - a) * 100.0 / a
        printf "%.1f MB after the first part, %.1f MB at the end (%+.1f %%)", a / 1024, b / 1024, change
        # Memory given back is no fault; only growth is.
        exit (change > 5) ? 1 : 0
    }'
}

# Asks the program to end as Ctrl+C would and waits for it; stop_status is its exit status
# ("none" when it had to be killed).
stop_status=""
stop_program() {
    local pid=$1 waited=0
    kill -TERM "$pid" 2>/dev/null || true
    while kill -0 "$pid" 2>/dev/null && [ $waited -lt 60 ]; do
        sleep 1
        waited=$((waited + 1))
    done
    if kill -0 "$pid" 2>/dev/null; then
        kill -KILL "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
        stop_status=none
        return
    fi
    stop_status=0
    wait "$pid" || stop_status=$?
}

failed=0
fail() {
    echo "soak $1: FAILED: $2"
    failed=1
}

# The show looped; a loop has ended when the frame log's show time runs back (the log is
# written in blocks, so a little late).
soak_loop() {
    local program=build-test/ombrel
    echo "Building $program"
    cmake -S . -B build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build build-test -j "$(nproc)" --target ombrel >/dev/null
    local seconds frames="$work/loop-frames.log" samples="$work/loop-rss.log"
    seconds=$(seconds_of "$loop_minutes")
    echo "Loop: the show from 0 to $loop_end s, again and again for $seconds s (logs in $work)"
    # From the work folder, which gets the program's zem.log.
    (cd "$work" && exec "$root/$program" --loop --end "$loop_end" --data "$root/data/" \
        --frame-log "$frames" "${play_options[@]}" >loop-out.log 2>loop-err.log) &
    local pid=$! started=$SECONDS loops=0 last_show=-1 first_rss="" rss=""
    : >"$samples"
    while [ $((SECONDS - started)) -lt "$seconds" ] && kill -0 "$pid" 2>/dev/null; do
        sleep 2
        rss=$(rss_of "$pid")
        [ -n "$rss" ] || break
        local show
        # The last line may be half written.
        show=$(tail -n 2 "$frames" 2>/dev/null | head -n 1 | awk '{ print $2 }')
        if [ -n "$show" ]; then
            # The picture's lead lets the time step back a few milliseconds now and then.
            if [ $((show + 1000)) -lt "$last_show" ]; then
                loops=$((loops + 1))
                [ -n "$first_rss" ] || first_rss=$rss
            fi
            last_show=$show
        fi
        echo "$((SECONDS - started)) $rss $show" >>"$samples"
    done
    if ! kill -0 "$pid" 2>/dev/null; then
        local status=0
        wait "$pid" || status=$?
        fail loop "the program ended by itself after $((SECONDS - started)) s (status $status); see $work/loop-err.log"
        return
    fi
    stop_program "$pid"
    local status=$stop_status frames_drawn
    frames_drawn=$(($(wc -l <"$frames") - 1))
    if [ -z "$first_rss" ]; then
        fail loop "no loop ended within $seconds s (the show reached $last_show ms)"
        return
    fi
    local memory verdict=flat
    memory=$(compare_rss "$first_rss" "$rss") || verdict="GROWN"
    echo "soak loop: $loops loops in $((SECONDS - started)) s, $frames_drawn frames; RSS $memory: $verdict; exit status $status"
    [ "$verdict" = flat ] || fail loop "the memory moved by more than 5 %"
    [ "$status" = 0 ] || fail loop "the program did not end cleanly on SIGTERM (status $status)"
}

# The storm's files, each in a mended and a broken form; `n` makes every save differ.
storm_world() {
    local n=$1 broken=$2
    local lamp="<entity type=\"Light\" name=\"lamp\"><parent>hall</parent><position>0 2.5 0</position><radius>7</radius><color>0.$((n % 9 + 1)) 0.2 0.15</color></entity>"
    local text="<ZEMWorld>
<entity type=\"Room\" name=\"hall\"><model>room_a.obj</model></entity>
<entity type=\"Camera\" name=\"camera\"><parent>hall</parent><position>0 1.7 3</position></entity>
$lamp
<entity type=\"Entity\" name=\"thing\"><parent>hall</parent><model>storm.obj</model><position>0 1.2 0</position></entity>
<entity type=\"ScriptMaster\" name=\"mainscript\"><offset>100</offset><bpm>120</bpm><script/></entity>
</ZEMWorld>"
    case "$broken:$((n % 3))" in
    0:*) printf '%s\n' "$text" ;;
    1:0) printf '%s\n' "${text%</ZEMWorld>}" ;;            # cut short
    1:1) printf '<ZEMWorld>\n<entity type="Room" name="x">\n' ;; # unclosed
    1:2) printf '<world>%s</world>\n' "$lamp" ;;           # not a world
    esac
}

storm_mesh() {
    local n=$1 broken=$2
    local corners="v -0.5 0 0\nv 0.5 0 0\nv 0.5 1 0\nv -0.5 1 0\nvt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nvn 0 0 1\n"
    case "$broken:$((n % 3))" in
    0:*) printf "mtllib storm.mtl\n${corners}g face\nusemtl skin\nf 1/1/1 2/2/1 3/3/1 4/4/1\ng back$n\nf 4/4/1 3/3/1 2/2/1\n" ;;
    1:0) printf "mtllib storm.mtl\n${corners}g face\nusemtl skin\nf 1/1/1 2/2/1 9/3/1\n" ;; # out of range
    1:1) printf "mtllib storm.mtl\n${corners}g face\nusemtl skin\nf 1/1" ;;               # cut short
    1:2) printf "mtllib room_a.obj\n${corners}g face\nusemtl skin\nf 1/1/1 2/2/1 3/3/1\n" ;; # a mesh in use as library
    esac
}

storm_texture() {
    local n=$1 broken=$2 source=data/textures/crate.bmp
    [ $((n % 2)) = 0 ] || source=data/textures/stone.bmp
    case "$broken:$((n % 2))" in
    0:*) cat "$source" ;;
    1:0) head -c 700 "$source" ;;    # cut short
    1:1) printf 'BM not a picture' ;; # no header
    esac
}

storm_shader() {
    local n=$1 broken=$2
    cat data/shaders/hdr_compose.glfp
    if [ "$broken" = 1 ]; then
        echo "void broken$n() { this is not a program }"
    else
        echo "// save $n"
    fi
}

# Saves the four files in place, as an editor does: file i is broken on every other save,
# each out of step with the next, so a look finds some broken and some mended.
storm_save() {
    local dir=$1 n=$2
    storm_world "$n" $((n % 2)) >"$dir/storm.world"
    storm_mesh "$n" $(((n + 1) % 2)) >"$dir/storm.obj"
    storm_texture "$n" $((n % 2)) >"$dir/storm.bmp"
    storm_shader "$n" $(((n + 1) % 2)) >"$dir/shaders/hdr_compose.glfp"
}

soak_storm() {
    local program=build-sanitize/ombrel
    echo "Building $program (AddressSanitizer and UndefinedBehaviorSanitizer)"
    zem_build_sanitized address ombrel >/dev/null
    local seconds dir="$work/storm" samples="$work/storm-rss.log"
    seconds=$(seconds_of "$storm_minutes")
    mkdir -p "$dir/shaders"
    printf 'newmtl skin\nKd 0.8 0.8 0.8\nmap_Kd storm.bmp\n' >"$dir/storm.mtl"
    storm_world 0 0 >"$dir/storm.world"
    storm_mesh 0 0 >"$dir/storm.obj"
    storm_texture 0 0 >"$dir/storm.bmp"
    storm_shader 0 0 >"$dir/shaders/hdr_compose.glfp"
    # Leaks stay unchecked (Mesa's cannot be told from ours); any other report ends the program.
    (cd "$work" && export ASAN_OPTIONS=detect_leaks=0:quarantine_size_mb=16 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 &&
        exec "$root/$program" "$dir/storm.world" --data "$root/data/" "${play_options[@]}" \
        >storm-out.log 2>storm-err.log) &
    local pid=$! waited=0
    # The saves begin once the world has loaded: one caught broken at the start leaves a show
    # without a world, whose files the player never looks at.
    while ! grep -q 'Entering main loop' "$work/storm-out.log" 2>/dev/null; do
        if ! kill -0 "$pid" 2>/dev/null || [ $waited -ge 300 ]; then
            fail storm "the program never reached its main loop; see $work/storm-err.log"
            stop_program "$pid"
            return
        fi
        sleep 1
        waited=$((waited + 1))
    done
    echo "Storm: four files saved every 100 ms for $seconds s under AddressSanitizer (in $dir)"
    local started=$SECONDS saves=0 next_sample=0 quarter=$((seconds / 4)) half=$((seconds / 2))
    local first_rss="" rss="" now
    local rebuilds=0
    : >"$samples"
    while [ $((SECONDS - started)) -lt "$seconds" ] && kill -0 "$pid" 2>/dev/null; do
        saves=$((saves + 1))
        storm_save "$dir" "$saves"
        sleep 0.1
        now=$((SECONDS - started))
        if [ $now -ge $next_sample ]; then
            rss=$(rss_of "$pid")
            [ -n "$rss" ] || break
            rebuilds=$(grep -c '^Reloading the world' "$work/storm-err.log" || true)
            echo "$now $rss $rebuilds" >>"$samples"
            if [ $now -ge $quarter ] && [ $now -le $half ] &&
                { [ -z "$first_rss" ] || [ "$rss" -gt "$first_rss" ]; }; then
                first_rss=$rss
            fi
            next_sample=$((next_sample + 5))
        fi
    done
    local status
    if kill -0 "$pid" 2>/dev/null; then
        stop_program "$pid"
        status=$stop_status
    else
        status=0
        wait "$pid" || status=$?
        fail storm "the program ended after $((SECONDS - started)) s of the storm (status $status)"
    fi
    local reports reloads kept
    reports=$(grep -c -E 'ERROR: AddressSanitizer|runtime error:|Sanitizer' "$work/storm-err.log" || true)
    reloads=$(grep -c -E '^(Reloaded |Reloading the world)' "$work/storm-err.log" || true)
    kept=$(grep -c -E '^Keeping the running' "$work/storm-err.log" || true)
    local memory="" verdict=flat
    if [ -n "$first_rss" ] && [ -n "$rss" ]; then
        memory=$(compare_rss "$first_rss" "$rss") || verdict="GROWN"
    else
        verdict="unmeasured"
    fi
    # When the world was last built again: a save caught broken at that moment leaves the show
    # without a world until a mended save builds it again.
    local last_rebuild lost
    last_rebuild=$(awk -v n="$rebuilds" '$3 == n { print $1; exit }' "$samples")
    lost=$(grep -c '^No world: ' "$work/storm-err.log" || true)
    echo "soak storm: the world was built again $rebuilds times, the last ${last_rebuild:-0} s in;" \
        "$lost builds found it broken"
    echo "soak storm: $saves rounds of four saves in $((SECONDS - started)) s; $reloads reloads taken, $kept broken files kept out; $reports sanitizer lines; RSS $memory: $verdict; exit status $status"
    [ "$reports" = 0 ] || fail storm "the sanitizer reported; see $work/storm-err.log"
    [ "$verdict" = flat ] || fail storm "the memory was not flat"
    [ "$reloads" -gt 0 ] || fail storm "no save was ever reloaded"
    [ "$status" = 0 ] || fail storm "the program did not end cleanly on SIGTERM (status $status)"
}

[ "$only" = storm ] || soak_loop
[ "$only" = loop ] || soak_storm

if [ $failed = 0 ] && [ -z "$keep" ]; then
    rm -rf "$work"
elif [ $failed != 0 ]; then
    echo "soak.sh: logs kept in $work"
fi
exit $failed
