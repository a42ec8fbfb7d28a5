#!/usr/bin/env bash
# Cross-builds the show for 64-bit Windows on Debian: installs the mingw-w64 compilers (and Wine,
# Xvfb and friends for tools/windows/smoke.sh and the tests), builds GLEW, Ogg, Vorbis, zlib,
# libpng and GoogleTest for Windows from Debian's source packages into build-windows/deps/, then
# a statically linked build-windows/ombrel.exe, packed with data/ into
# build-windows/ombrel-windows.zip, and the unit tests (build-windows/tests/test_*.exe, run under
# Wine by ctest in build-windows; ./test.sh does).
# A second run reuses what is there: only the program and the tests are rebuilt.
set -euo pipefail

usage() {
    echo "Usage: tools/windows/build.sh [--help]"
    echo "Builds build-windows/ombrel.exe, build-windows/ombrel-windows.zip and the unit tests."
    echo "Run as root on Debian (it installs what it needs with apt-get), or with those packages"
    echo "installed."
}
case "${1:-}" in
"") ;;
-h | --help)
    usage
    exit 0
    ;;
*)
    echo "build.sh: unknown option '$1' (try --help)" >&2
    exit 2
    ;;
esac

cd "$(dirname "$0")/../.."
ROOT=$PWD
OUT=$ROOT/build-windows
DEPS=$OUT/deps
SOURCES=$OUT/deps-src
TOOLCHAIN=$ROOT/cmake/mingw-w64.cmake
TRIPLET=x86_64-w64-mingw32
JOBS=$(nproc)
PACKAGES="g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 \
cmake make dpkg-dev zip unzip wine wine64 xvfb xauth xdotool imagemagick python3"

step() { echo "== $*"; }
die() {
    echo "build.sh: $*" >&2
    exit 1
}

. "$ROOT/tools/ensure-deps.sh"

install_packages() {
    # shellcheck disable=SC2086
    zem_install_packages --no-recommends $PACKAGES || die "could not install the packages above"
}

has_deb_src() {
    grep -Eqs '^[[:space:]]*deb-src[[:space:]]|^Types:.*deb-src' \
        /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources
}

# A deb-src twin of every configured Debian archive, one-line and deb822 formats alike.
add_deb_src() {
    [ "$(id -u)" -eq 0 ] || die "no deb-src entry configured; add one for your Debian archive"
    local file list=/etc/apt/sources.list.d/zem-deb-src.list
    local deb822=/etc/apt/sources.list.d/zem-deb-src.sources
    if [ -f /etc/apt/sources.list ]; then
        grep -E '^[[:space:]]*deb[[:space:]].*debian' /etc/apt/sources.list |
            sed -E 's/^[[:space:]]*deb[[:space:]]/deb-src /' >"$list" || true
        [ -s "$list" ] || rm -f "$list"
    fi
    : >"$deb822.new"
    for file in /etc/apt/sources.list.d/*.sources; do
        if [ ! -f "$file" ] || [ "$file" = "$deb822" ]; then
            continue
        fi
        awk 'BEGIN { RS = ""; ORS = "\n\n" }
             /(^|\n)Types:[^\n]*deb/ && /(^|\n)URIs:[^\n]*debian/ && !/(^|\n)Enabled: *no/ {
                 sub(/(^|\n)Types:[^\n]*/, "\nTypes: deb-src"); sub(/^\n/, ""); print }' \
            "$file" >>"$deb822.new"
    done
    if [ -s "$deb822.new" ]; then
        mv "$deb822.new" "$deb822"
    else
        rm -f "$deb822.new"
    fi
    has_deb_src || die "found no Debian archive in /etc/apt to add a deb-src entry for"
}

sources_visible() {
    apt-cache showsrc libogg 2>/dev/null | grep -q '^Package:'
}

ensure_sources_index() {
    sources_visible && return 0
    if has_deb_src; then
        step "Updating the package lists (with sources)"
        apt-get update -qq || die "apt-get update failed"
        sources_visible && return 0
    fi
    # None configured, or only for archives other than Debian's.
    step "Adding deb-src entries for the configured Debian archive"
    add_deb_src
    apt-get update -qq || die "apt-get update failed"
    sources_visible || die "apt-get source cannot see Debian's source packages"
}

# The newest version first; a mirror may lack one (an update only on the security archive, say),
# so older ones are tried too.
fetch_source() {
    local pkg=$1 version
    : >"$SOURCES/$pkg.log"
    for version in $(apt-cache showsrc "$pkg" | sed -n 's/^Version: //p' | sort -Vr | uniq); do
        (cd "$SOURCES" && apt-get source -qq "$pkg=$version" >>"$SOURCES/$pkg.log" 2>&1) &&
            return 0
    done
    return 1
}

# Prints the unpacked source folder of a Debian source package, fetching it when needed.
source_dir() {
    local pkg=$1 dir
    dir=$(find "$SOURCES" -mindepth 1 -maxdepth 1 -type d -name "$pkg-[0-9]*" 2>/dev/null |
        head -n1)
    if [ -z "$dir" ]; then
        ensure_sources_index >&2
        step "Fetching the source of $pkg" >&2
        mkdir -p "$SOURCES"
        fetch_source "$pkg" || die "apt-get source $pkg failed (see $SOURCES/$pkg.log)"
        dir=$(find "$SOURCES" -mindepth 1 -maxdepth 1 -type d -name "$pkg-[0-9]*" | head -n1)
        [ -n "$dir" ] || die "apt-get source $pkg left no source folder in $SOURCES"
    fi
    echo "$dir"
}

cmake_dep() {
    local name=$1 src=$2
    local log=$OUT/deps-build/$name.log
    shift 2
    mkdir -p "$OUT/deps-build"
    {
        cmake -S "$src" -B "$OUT/deps-build/$name" -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
            -DZEM_WINDOWS_DEPS="$DEPS" -DCMAKE_PREFIX_PATH="$DEPS" \
            -DCMAKE_INSTALL_PREFIX="$DEPS" -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF \
            -DBUILD_TESTING=OFF "$@" &&
            cmake --build "$OUT/deps-build/$name" -j "$JOBS" &&
            cmake --install "$OUT/deps-build/$name"
    } >"$log" 2>&1 || die "building $name for Windows failed (see $log)"
}

build_ogg() {
    [ -f "$DEPS/lib/libogg.a" ] && return 0
    local src
    src=$(source_dir libogg)
    step "Building Ogg for Windows"
    cmake_dep ogg "$src" -DINSTALL_DOCS=OFF
}

build_vorbis() {
    [ -f "$DEPS/lib/libvorbisfile.a" ] && return 0
    local src
    src=$(source_dir libvorbis)
    step "Building Vorbis for Windows"
    cmake_dep vorbis "$src"
}

build_zlib() {
    [ -f "$DEPS/lib/libz.a" ] && return 0
    local src log=$OUT/deps-build/zlib.log
    src=$(source_dir zlib)
    step "Building zlib for Windows"
    # Debian's source has no Windows makefile; the library is these files.
    local obj=$OUT/deps-build/zlib name
    mkdir -p "$obj" "$DEPS/lib" "$DEPS/include"
    : >"$log"
    for name in adler32 compress crc32 deflate gzclose gzlib gzread gzwrite infback inffast \
        inflate inftrees trees uncompr zutil; do
        "$TRIPLET-gcc-posix" -O2 -c "$src/$name.c" -o "$obj/$name.o" >>"$log" 2>&1 ||
            die "building zlib for Windows failed (see $log)"
    done
    "$TRIPLET-ar" rcs "$DEPS/lib/libz.a" "$obj"/*.o || die "archiving zlib failed"
    cp "$src/zlib.h" "$src/zconf.h" "$DEPS/include/"
}

build_png() {
    [ -f "$DEPS/lib/libpng.a" ] && return 0
    local src
    src=$(source_dir libpng1.6)
    step "Building libpng for Windows"
    cmake_dep png "$src" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF \
        -DPNG_EXECUTABLES=OFF -DZLIB_LIBRARY="$DEPS/lib/libz.a" -DZLIB_INCLUDE_DIR="$DEPS/include"
}

# GLEW's release sources come with the generated glew.c: one file to compile.
build_glew() {
    [ -f "$DEPS/lib/libglew32s.a" ] && return 0
    local src obj=$OUT/deps-build/glew
    src=$(source_dir glew)
    [ -f "$src/src/glew.c" ] || die "no src/glew.c in $src"
    step "Building GLEW for Windows"
    mkdir -p "$obj" "$DEPS/lib" "$DEPS/include/GL"
    "$TRIPLET-gcc-posix" -O2 -DGLEW_STATIC -DGLEW_NO_GLU -I"$src/include" \
        -c "$src/src/glew.c" -o "$obj/glew.o" || die "compiling GLEW failed"
    cp "$src"/include/GL/*.h "$DEPS/include/GL/"
    "$TRIPLET-ar" rcs "$DEPS/lib/libglew32s.a" "$obj/glew.o" || die "archiving GLEW failed"
}

# GoogleTest for the unit tests; ctest runs them under Wine.
build_gtest() {
    [ -f "$DEPS/lib/libgtest.a" ] && return 0
    local src
    src=$(source_dir googletest)
    step "Building GoogleTest for Windows"
    cmake_dep googletest "$src" -DBUILD_GMOCK=OFF -DINSTALL_GTEST=ON
}

build_program() {
    step "Building ombrel.exe"
    # The benchmarks need Google Benchmark, which is not built: only AvSyncPlayer.exe is.
    cmake -S "$ROOT" -B "$OUT" -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DZEM_WINDOWS_DEPS="$DEPS" \
        -DCMAKE_BUILD_TYPE=Release -DZEM_BUILD_TESTS=ON -DZEM_BUILD_BENCH=ON \
        -DZEM_BUILD_TOOLS=OFF >"$OUT/configure.log" 2>&1 ||
        die "configuring the Windows build failed (see $OUT/configure.log)"
    cmake --build "$OUT" --target ombrel -j "$JOBS" || die "building ombrel.exe failed"
    [ -f "$OUT/ombrel.exe" ] || die "the build left no $OUT/ombrel.exe"
    # Only system DLLs: anything of the compiler's would be missing on a plain Windows PC.
    local foreign
    foreign=$("$TRIPLET-objdump" -p "$OUT/ombrel.exe" | sed -n 's/^[[:space:]]*DLL Name: //p' |
        grep -Ei 'libstdc|libgcc|winpthread|glew|ogg|vorbis|png|zlib' || true)
    [ -z "$foreign" ] || die "ombrel.exe needs DLLs that do not come with Windows: $foreign"
}

build_tests() {
    step "Building the unit tests for Windows"
    cmake --build "$OUT" -j "$JOBS" || die "building the Windows unit tests failed"
}

pack() {
    step "Packing ombrel-windows.zip"
    rm -f "$OUT/ombrel-windows.zip"
    (cd "$ROOT" && zip -q -r "$OUT/ombrel-windows.zip" data) || die "packing data/ failed"
    zip -q -j "$OUT/ombrel-windows.zip" "$OUT/ombrel.exe" || die "packing ombrel.exe failed"
}

install_packages
mkdir -p "$OUT"
build_ogg
build_vorbis
build_glew
build_zlib
build_png
build_gtest
build_program
pack
build_tests
step "Done: $OUT/ombrel.exe, $OUT/ombrel-windows.zip"
