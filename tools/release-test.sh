#!/usr/bin/env bash
# Tests the release pack made by tools/release.sh: unpacks build-release/ombrel-<version>.zip
# (the newest, or the one given) into an empty folder, checks what it holds, checks that every
# library the Linux program loads comes from a package README.txt names (or from every Debian
# system's own), and plays a short world with both programs from the unpacked folder to the
# script's exit: the Linux one headless, the Windows one under Wine in a virtual X server.
#
#   tools/release-test.sh [ZIP]
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
case "${1:-}" in
-h | --help)
    sed -n '2,8p' "$0" | sed 's/^# \{0,1\}//'
    exit 0
    ;;
esac
ZIP=${1:-$(ls build-release/ombrel-*.zip 2>/dev/null | sort -V | tail -n 1)}
[ -f "$ZIP" ] || {
    echo "release-test.sh: no release zip; run tools/release.sh first" >&2
    exit 1
}
# Every Debian system has these; the rest must be named in README.txt.
BASE_PACKAGES="libc6 libgcc-s1 libstdc++6"

WORK=$(mktemp -d)
cleanup() {
    WINEPREFIX=$ROOT/build-windows/wine-prefix timeout 10 wineserver -k >/dev/null 2>&1 || true
    rm -rf "$WORK"
}
trap cleanup EXIT
fail() {
    echo "release-test.sh: FAIL: $*" >&2
    exit 1
}
step() { echo "== $*"; }

step "Unpacking $(basename "$ZIP") into an empty folder"
mkdir "$WORK/unpacked"
unzip -q "$ZIP" -d "$WORK/unpacked"
DIR=$(find "$WORK/unpacked" -mindepth 1 -maxdepth 1 -type d)
[ "$(echo "$DIR" | wc -l)" = 1 ] && [ -n "$DIR" ] || fail "the zip does not hold one folder"
for file in ombrel ombrel.exe README.txt screenshot.png data/main.world data/Ombrel.ogg; do
    [ -s "$DIR/$file" ] || fail "the zip lacks $file"
done
[ -x "$DIR/ombrel" ] || fail "ombrel is not executable once unpacked"
[ "$(identify -format '%wx%h' "$DIR/screenshot.png")" = 640x480 ] ||
    fail "screenshot.png is not a 640 x 480 picture"

step "The Linux program's libraries against README.txt"
named=$(tr -d '\r' <"$DIR/README.txt" | sed -n 's/^ *apt-get install //p')
[ -n "$named" ] || fail "README.txt names no packages to install"
# What installing them brings along: the packages and everything they depend on.
# shellcheck disable=SC2086
installed=$(apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts \
    --no-breaks --no-replaces --no-enhances $named | grep -v '^ ' | sed 's/:.*//' | sort -u |
    tr '\n' ' ')
ldd "$DIR/ombrel" >"$WORK/ldd.txt"
! grep -q "not found" "$WORK/ldd.txt" || fail "libraries missing here: $(grep 'not found' "$WORK/ldd.txt")"
direct=$(objdump -p "$DIR/ombrel" | sed -n 's/^ *NEEDED *//p')
for library in $(awk '$2 == "=>" { print $1 ":" $3 }' "$WORK/ldd.txt"); do
    path=${library#*:}
    package=$(dpkg -S "$path" 2>/dev/null || dpkg -S "$(readlink -f "$path")" 2>/dev/null || true)
    package=${package%%:*}
    [ -n "$package" ] || fail "no package holds $path"
    # The program's own needs come from packages named; theirs from what those bring along.
    allowed="$named $BASE_PACKAGES"
    echo "$direct" | grep -qx "${library%%:*}" || allowed="$installed $BASE_PACKAGES"
    case " $allowed " in
    *" $package "*) ;;
    *) fail "$path comes from $package, which installing README.txt's packages does not bring" ;;
    esac
done
echo "the program's $(echo "$direct" | wc -w) libraries come from: $named $BASE_PACKAGES"

# A world of its own beside the folder: the shipped data serves its meshes; its script ends it
# after a bar (2 s).
mkdir "$WORK/short"
cat >"$WORK/short/short.world" <<'EOF'
<ZEMWorld>
<entity type="Room" name="hall"><model>room_a.obj</model></entity>
<entity type="Camera" name="camera"><parent>hall</parent><position>0 1.7 3</position></entity>
<entity type="Light" name="lamp"><parent>hall</parent><position>0 3 0</position><radius>7</radius><color>0.2 0.17 0.13</color></entity>
<entity type="ScriptMaster" name="mainscript"><offset>100</offset><bpm>120</bpm><script>
<event time="1 0 0" target="mainscript" command="exit"/>
</script></entity>
</ZEMWorld>
EOF

# The run ended by itself, with no complaint, and its log closed.
check_run() {
    local system=$1 status=$2
    [ "$status" = 0 ] || fail "the $system program ended with $status: $(tail -n 5 "$WORK/err.txt")"
    if grep -E "Unable to load|No world|ERROR" "$WORK/err.txt"; then
        fail "the $system program complained (above)"
    fi
    tr -d '\r' <"$DIR/zem.log" | grep -q "^Closing log zem.log$" ||
        fail "the $system program's zem.log was not closed"
    rm -f "$DIR/zem.log"
}

step "Playing it with the Linux program, headless"
started=$SECONDS
status=0
(cd "$DIR" && SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy timeout 60 ./ombrel \
    "$WORK/short/short.world" >"$WORK/out.txt" 2>"$WORK/err.txt") || status=$?
check_run Linux "$status"
echo "ended at the script's exit after $((SECONDS - started)) s"

step "Playing it with the Windows program, under Wine in Xvfb"
command -v wine >/dev/null && command -v xvfb-run >/dev/null ||
    fail "wine or xvfb-run is missing; tools/windows/build.sh installs them"
export WINEPREFIX=$ROOT/build-windows/wine-prefix
timeout 10 wineserver -k >/dev/null 2>&1 || true
started=$SECONDS
status=0
# shellcheck disable=SC2016
xvfb-run -a -s "-screen 0 800x600x24" bash -c 'cd "$1" && timeout 120 "$2" ombrel.exe "Z:$3" \
    >"$4/out.txt" 2>"$4/err.txt"; status=$?; wineserver -k >/dev/null 2>&1; exit $status' \
    run "$DIR" "$ROOT/tools/windows/wine-run.sh" "$WORK/short/short.world" "$WORK" || status=$?
check_run Windows "$status"
echo "ended at the script's exit after $((SECONDS - started)) s"
step "Release test passed: both programs played from the unpacked $(basename "$ZIP")"
