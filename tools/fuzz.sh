#!/usr/bin/env bash
# Builds one fuzz target with clang's libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer
# and runs it for the given time on its corpus; inputs that crash land in the corpus folder.
set -eu
usage() {
    echo "Usage: tools/fuzz.sh TARGET SECONDS   (TARGET: xml obj mtl bmp world)"
}
case "${1:-}" in
--help | -h)
    usage
    exit 0
    ;;
esac
if [ $# -ne 2 ] || ! [[ "$2" =~ ^[0-9]+$ ]]; then
    usage >&2
    exit 2
fi
target=$1 seconds=$2
cd "$(dirname "$0")/.."
if [ ! -f "tests/fuzz/fuzz${target^}.cpp" ]; then
    echo "fuzz.sh: unknown target '$target'" >&2
    exit 2
fi
. tools/ensure-deps.sh
zem_ensure_deps

build=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZEM_FUZZ=ON \
    -DZEM_BUILD_BENCH=OFF \
    -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined,fuzzer-no-link -fno-sanitize-recover=undefined" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
echo "Building fuzz_$target"
cmake --build "$build" -j "${ZEM_JOBS:-2}" --target "fuzz_$target"

corpus=tests/fuzz/corpus/$target
work=$build/corpus-$target
mkdir -p "$work"
export SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
echo "Fuzzing $target for $seconds s (new inputs in $work, crashes in $corpus)"
# The shipped corpus is read, new coverage goes to the work folder; a crashing input is written
# straight into the shipped corpus so the replay test keeps it.
exec "$build/tests/fuzz/fuzz_$target" "$work" "$corpus" -dict="tests/fuzz/$target.dict" \
    -max_total_time="$seconds" -artifact_prefix="$corpus/crash-" -print_final_stats=1 \
    -close_fd_mask=3 -rss_limit_mb=4096 -timeout=20
