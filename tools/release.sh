#!/usr/bin/env bash
# Builds the release pack, build-release/ombrel-<version>.zip: one folder ombrel-<version>/ with
# ombrel.exe (64-bit Windows, made by tools/windows/build.sh), ombrel (x86-64 Linux, built here in
# Release for Debian 12), data/, a plain-text README.txt and screenshot.png (a frame of the show
# captured by the Linux program). The version is the project's (CMakeLists.txt) unless given.
# tools/release-test.sh unpacks the zip and plays both programs from it.
#
#   tools/release.sh [--version V]
set -euo pipefail

usage() {
    sed -n '2,8p' "$0" | sed 's/^# \{0,1\}//'
}
cd "$(dirname "$0")/.."
ROOT=$PWD
version=$(sed -n 's/^project(Zem VERSION \([0-9A-Za-z.]*\) .*/\1/p' CMakeLists.txt)
while [ $# -gt 0 ]; do
    case "$1" in
    -h | --help)
        usage
        exit 0
        ;;
    --version)
        [ $# -ge 2 ] || {
            echo "release.sh: --version needs a value" >&2
            exit 2
        }
        version=$2
        shift
        ;;
    *)
        echo "release.sh: unknown option '$1' (try --help)" >&2
        exit 2
        ;;
    esac
    shift
done
[[ "$version" =~ ^[0-9A-Za-z.+-]+$ ]] || {
    echo "release.sh: no usable version ('$version')" >&2
    exit 2
}

OUT=$ROOT/build-release
NAME=ombrel-$version
STAGE=$OUT/$NAME
ZIP=$OUT/$NAME.zip
# What the Linux program needs on a fresh Debian 12, beside what every Debian system has; the
# release test checks every library it loads against this list.
LINUX_PACKAGES="libsdl2-2.0-0 libglew2.2 libglu1-mesa libopengl0 libgl1 libglx-mesa0 \
libgl1-mesa-dri libegl1 libegl-mesa0 libvorbisfile3 libpng16-16"

step() { echo "== $*"; }
die() {
    echo "release.sh: $*" >&2
    exit 1
}

step "The Windows program"
tools/windows/build.sh >"$OUT.windows.log" 2>&1 || {
    tail -n 20 "$OUT.windows.log" >&2
    die "tools/windows/build.sh failed (see $OUT.windows.log)"
}
rm -f "$OUT.windows.log"

step "The Linux program (Release)"
. tools/ensure-deps.sh
zem_ensure_deps
mkdir -p "$OUT"
cmake -S . -B "$OUT/linux" -DCMAKE_BUILD_TYPE=Release -DZEM_BUILD_TESTS=OFF \
    -DZEM_BUILD_BENCH=OFF -DZEM_BUILD_TOOLS=OFF >"$OUT/linux-configure.log" 2>&1 ||
    die "configuring the Linux build failed (see $OUT/linux-configure.log)"
cmake --build "$OUT/linux" --target ombrel -j "$(nproc)" >"$OUT/linux-build.log" 2>&1 ||
    die "building the Linux program failed (see $OUT/linux-build.log)"

step "Staging $NAME/"
rm -rf "$STAGE" "$ZIP"
mkdir -p "$STAGE"
cp -r data "$STAGE/"
strip -o "$STAGE/ombrel" "$OUT/linux/ombrel"
x86_64-w64-mingw32-strip -o "$STAGE/ombrel.exe" build-windows/ombrel.exe

step "The screen shot: the show at 0:30, captured by the Linux program"
shots=$(mktemp -d)
trap 'rm -rf "$shots"' EXIT
(cd "$shots" && SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy "$STAGE/ombrel" \
    --data "$STAGE/data/" --capture frames --start 30 --end 30.01 --fps 100 >capture.log 2>&1) ||
    die "the capture of the screen shot failed: $(tail -n 5 "$shots/capture.log")"
cp "$shots/frames/frame-000000.png" "$STAGE/screenshot.png"
help=$(cd "$shots" && "$STAGE/ombrel" --help)

step "README.txt"
{
    cat <<EOF
Ombrel $version
$(printf '%*s' "$((7 + ${#version}))" '' | tr ' ' '=')

A real-time 3D demo, and Zem, the small C++ engine under it.

WHAT IT IS

Ombrel plays by itself for two and a half minutes (75 bars at 120 beats a minute) through three
rooms joined by doorways: a tiled gallery, a stone hall and a low vault. Gear trains turn, grids
of cubes wave, dust glows and leaves storm; the camera cuts, and the light flashes and swells, on
the beats of its own music. Everything is drawn live: rooms seen through portals, deferred
shading, eye adaptation and bloom. On Linux it needs no graphics card: on two processor cores
with Mesa's software renderer it plays at about 30 frames a second, in time with its music
whatever a frame costs.

In this folder:

  ombrel.exe      the demo for 64-bit Windows: one file, nothing to install
  ombrel          the demo for 64-bit (x86-64) Linux
  data/           the world, meshes, textures, shaders and music both programs read
  screenshot.png  a frame of the show at 0:30
  README.txt      this text

HOW TO RUN IT

Both programs read data/ from the folder they are started in: start them in this folder.

Windows: unpack the zip, open the folder $NAME and double-click ombrel.exe (or, in a command
prompt in that folder, type ombrel.exe and any options).

Linux: unpack the zip and, in a terminal:

  cd $NAME
  ./ombrel

It opens full screen at 640 x 480 where the display offers that mode, otherwise in a window of
that size titled "ZEM!", and ends by itself when the show is over, or when you press Escape or
close the window. On Linux without a screen it plays headless:

  SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy ./ombrel

Both programs write their start-up lines and any complaint to zem.log in the folder they run in.

KEYS

  Space          pause, and go on
  Left, Right    jump 5 seconds back or forward
  Home           back to the start
  Escape         end the show

OPTIONS

The same on both systems (ombrel --help, or ombrel.exe --help, prints them):

$(printf '%s\n' "$help" | sed 's/^/  /')

A capture to .mp4 or .mkv needs ffmpeg on the path; a folder of PNG frames needs nothing more.

WHAT IT NEEDS

Windows: 64-bit Windows with OpenGL 2.0 or later (framebuffer objects, float textures, GLSL
1.20), which every graphics driver of the last fifteen years has; sound through the system's wave
output (without a sound card the show plays silently, on time). Tested under Wine 8 on Debian 12
with Mesa's software renderer, not on a Windows PC.

Linux: x86-64 Debian 12, or another system with the same libraries. A fresh Debian 12 needs
these packages (as root):

  apt-get install $LINUX_PACKAGES

Any display X11 or Wayland offers will do, and no graphics card is needed. Sound goes through
PulseAudio, PipeWire or ALSA; without any the show plays silently, on time.

CREDITS

Ombrel and Zem: code, world, meshes, textures, shaders and music by the Ombrel team. The music,
meshes, textures and title cards are written by programs of the demo's own.

Built with SDL 2, GLEW, libvorbis and libogg (Xiph.Org), libpng, zlib and Mesa, each under its
own licence; the Windows program is built with mingw-w64, whose runtime it carries.
EOF
} | sed 's/$/\r/' >"$STAGE/README.txt"

step "Packing $NAME.zip"
(cd "$OUT" && zip -q -r -X "$NAME.zip" "$NAME") || die "packing the zip failed"
unzip -l "$ZIP"
echo "$ZIP: $(stat -c %s "$ZIP") bytes"
