#!/usr/bin/env bash
# Captures the whole show at a low frame rate and checks it as a viewer would: its length lies
# between 120 and 180 seconds, and no frame between the fade-in and the fade-out is near black.
# With --sheet it also writes a contact sheet of twelve stills spread over the show.
# Run from the repository root after a build; exit 0 when the show passes, 1 when it does not,
# 2 for bad use.
set -euo pipefail

usage() {
    cat <<'TEXT'
Usage: tools/check-show.sh [options]
Captures the show with ombrel --capture and checks its length and brightness.

Options:
  -h, --help       print this help and exit
  --ombrel PATH    the program (default: build/ombrel, else build-test/ombrel)
  --fps N          frames per second of the capture (default: 2)
  --size WxH       size of the captured frames (default: 640x480; smaller sizes
                   capture only part of the picture for now)
  --fade-in S      seconds at the start that may be dark (default: 6)
  --fade-out S     seconds at the end that may be dark (default: 4)
  --dark X         a frame whose mean brightness (0..1) is below X is near black
                   (default: 0.03)
  --keep DIR       capture into DIR and keep it (default: a temporary folder)
  --sheet FILE     also write a contact sheet of twelve stills to FILE (PNG)
TEXT
}

fail_use() {
    echo "check-show: $1 (see --help)" >&2
    exit 2
}

ombrel=""
fps=2
size=640x480
fade_in=6
fade_out=4
dark=0.03
keep=""
sheet=""
while [ $# -gt 0 ]; do
    case "$1" in
    -h | --help) usage; exit 0 ;;
    --ombrel | --fps | --size | --fade-in | --fade-out | --dark | --keep | --sheet)
        [ $# -ge 2 ] || fail_use "$1 needs a value"
        case "$1" in
        --ombrel) ombrel=$2 ;;
        --fps) fps=$2 ;;
        --size) size=$2 ;;
        --fade-in) fade_in=$2 ;;
        --fade-out) fade_out=$2 ;;
        --dark) dark=$2 ;;
        --keep) keep=$2 ;;
        --sheet) sheet=$2 ;;
        esac
        shift 2 ;;
    *) fail_use "unknown argument \"$1\"" ;;
    esac
done

is_number() { [[ $1 =~ ^[0-9]+([.][0-9]+)?$ ]]; }
[[ $fps =~ ^[1-9][0-9]*$ ]] || fail_use "--fps wants a whole number above 0, not \"$fps\""
[[ $size =~ ^[1-9][0-9]*x[1-9][0-9]*$ ]] || fail_use "--size wants WxH, not \"$size\""
for value in "$fade_in" "$fade_out" "$dark"; do
    is_number "$value" || fail_use "\"$value\" is not a number"
done
if [ -z "$ombrel" ]; then
    for candidate in build/ombrel build-test/ombrel; do
        [ -x "$candidate" ] && ombrel=$candidate && break
    done
fi
if [ -z "$ombrel" ] || [ ! -x "$ombrel" ]; then
    fail_use "no ombrel program; build first or pass --ombrel"
fi
for tool in identify montage; do
    command -v "$tool" >/dev/null || fail_use "$tool (ImageMagick) is not installed"
done

if [ -n "$keep" ]; then
    frames=$keep
    mkdir -p "$frames"
else
    frames=$(mktemp -d)
    trap 'rm -rf "$frames"' EXIT
fi

export SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy
echo "Capturing the show at $fps fps, $size, into $frames"
# The program's whole output goes to a log; its progress lines are shown as they come.
set +e
"$ombrel" --capture "$frames" --fps "$fps" --size "$size" 2>&1 | tee "$frames/ombrel.log" |
    grep --line-buffered -E '^(frame|Captured) '
captured=${PIPESTATUS[0]}
set -e
if [ "$captured" != 0 ]; then
    echo "check-show: the capture failed; its output is in $frames/ombrel.log" >&2
    [ -n "$keep" ] || cat "$frames/ombrel.log" >&2
    exit 1
fi

mapfile -t pictures < <(find "$frames" -maxdepth 1 -name 'frame-*.png' | sort)
count=${#pictures[@]}
[ "$count" -gt 0 ] || { echo "check-show: the capture wrote no frames" >&2; exit 1; }
length=$(awk -v n="$count" -v f="$fps" 'BEGIN { printf "%.2f", n / f }')
echo "Captured $count frames: $length s"

status=0
if awk -v l="$length" 'BEGIN { exit !(l < 120 || l > 180) }'; then
    echo "FAIL: the show lasts $length s, not 120 to 180 s"
    status=1
fi

# Mean brightness of every frame, one per line, in frame order.
echo "Measuring brightness"
mapfile -t means < <(identify -format '%[fx:mean]\n' "${pictures[@]}")
darkest=1
darkest_at=0
for ((i = 0; i < count; i++)); do
    at=$(awk -v i="$i" -v f="$fps" 'BEGIN { printf "%.2f", i / f }')
    inside=$(awk -v t="$at" -v a="$fade_in" -v b="$fade_out" -v l="$length" \
        'BEGIN { print (t >= a && t <= l - b) ? 1 : 0 }')
    [ "$inside" = 1 ] || continue
    if awk -v m="${means[$i]}" -v d="$darkest" 'BEGIN { exit !(m < d) }'; then
        darkest=${means[$i]}
        darkest_at=$at
    fi
    if awk -v m="${means[$i]}" -v d="$dark" 'BEGIN { exit !(m < d) }'; then
        echo "FAIL: frame $i at $at s is near black (mean ${means[$i]})"
        status=1
    fi
done
echo "Darkest frame between the fades: mean $darkest at $darkest_at s"

if [ -n "$sheet" ]; then
    # Twelve stills spread evenly between the fades, each labelled with its time.
    args=()
    for ((k = 0; k < 12; k++)); do
        i=$(awk -v k="$k" -v a="$fade_in" -v b="$fade_out" -v l="$length" -v f="$fps" \
            'BEGIN { t = a + (l - b - a) * (k + 0.5) / 12; printf "%d", t * f }')
        label=$(awk -v i="$i" -v f="$fps" 'BEGIN { s = i / f; printf "%d:%02d", s / 60, s % 60 }')
        args+=(-label "$label" "${pictures[$i]}")
    done
    # A palette of 256 colours keeps the sheet to about half a megabyte.
    montage "${args[@]}" -tile 4x3 -geometry 320x240+4+4 -background '#111' -fill '#ddd' \
        -pointsize 14 -colors 256 "PNG8:$sheet"
    echo "Wrote $sheet"
fi

[ "$status" = 0 ] && echo "The show passes: $length s, nothing near black between the fades"
exit "$status"
