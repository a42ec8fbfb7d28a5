#!/usr/bin/env bash
# Installs what is missing, builds and runs every test headless.
#   ./test.sh [CTEST_ARGS...]             the plain build, in build-test; then, where they have
#                                         been built, the Windows tests and program under Wine
#                                         and the release pack
#   ./test.sh --sanitize [CTEST_ARGS...]  clang with AddressSanitizer and UndefinedBehaviorSanitizer,
#                                         in build-sanitize
#   ./test.sh --tsan [CTEST_ARGS...]      clang with ThreadSanitizer, in build-tsan; a race outside
#                                         the libraries tools/tsan.supp names fails its test
set -eu
cd "$(dirname "$0")"
case "${1:-}" in
--help | -h)
    sed -n '2,7p' "$0" | sed 's/^# \{0,1\}//'
    exit 0
    ;;
esac
sanitize=0
tsan=0
if [ "${1:-}" = "--sanitize" ]; then
    sanitize=1
    shift
elif [ "${1:-}" = "--tsan" ]; then
    tsan=1
    shift
fi
. tools/ensure-deps.sh
zem_ensure_deps
export SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy
if [ "$sanitize" = 1 ]; then
    zem_build_sanitized address
    # Mesa's driver leaks and is unloaded before the leak check, so its leaks cannot be told
    # apart from ours by name: leak checking stays off; every other check is on.
    export ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    (cd build-sanitize && ctest --output-on-failure -j "$(nproc)" "$@")
    exit 0
fi
if [ "$tsan" = 1 ]; then
    zem_build_sanitized thread
    # Mesa's llvmpipe threads and the PulseAudio client library are not built with the
    # sanitizer; their reports are theirs. Any other report fails its test (exit code 66).
    export TSAN_OPTIONS="suppressions=$PWD/tools/tsan.supp history_size=4 second_deadlock_stack=1"
    (cd build-tsan && ctest --output-on-failure -j "$(nproc)" "$@")
    exit 0
fi
zem_build build-test RelWithDebInfo
(cd build-test && ctest --output-on-failure -j "$(nproc)" "$@")
# The Windows build, when tools/windows/build.sh has made one, runs under Wine: its unit tests,
# then the program itself.
if [ -f build-windows/ombrel.exe ]; then
    tools/windows/unit-tests.sh "$@"
    tools/windows/smoke.sh
fi
# The release pack, when tools/release.sh has made one, unpacked and played on both systems.
if ls build-release/ombrel-*.zip >/dev/null 2>&1; then
    tools/release-test.sh
fi
