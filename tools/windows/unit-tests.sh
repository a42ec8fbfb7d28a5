#!/usr/bin/env bash
# Runs the Windows build's unit tests under Wine: rebuilds build-windows (made by
# tools/windows/build.sh), then runs ctest there inside a virtual X server (the GL tests draw into
# Wine's OpenGL), every program through tools/windows/wine-run.sh. Arguments go to ctest.
#
#   tools/windows/unit-tests.sh [CTEST_ARGS...]
set -euo pipefail
cd "$(dirname "$0")/../.."
ROOT=$PWD
OUT=$ROOT/build-windows
case "${1:-}" in
-h | --help)
    sed -n '2,6p' "$0" | sed 's/^# \{0,1\}//'
    exit 0
    ;;
esac
[ -f "$OUT/CMakeCache.txt" ] || {
    echo "unit-tests.sh: no Windows build; run tools/windows/build.sh first" >&2
    exit 1
}
for tool in wine wineserver xvfb-run; do
    command -v "$tool" >/dev/null || {
        echo "unit-tests.sh: $tool is missing; tools/windows/build.sh installs it" >&2
        exit 1
    }
done
cmake --build "$OUT" -j "$(nproc)"
export WINEPREFIX=$OUT/wine-prefix
# A Wine server of its own for the run, started on this run's display: a server left from
# another display would put the programs' windows there.
timeout 10 wineserver -k >/dev/null 2>&1 || true
timeout 10 wineserver -w >/dev/null 2>&1 || true
status=0
# shellcheck disable=SC2016
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    wineserver -p 300 </dev/null >/dev/null 2>&1
    timeout 180 tools/windows/wine-run.sh wineboot -i >/dev/null 2>&1 || true
    # A test whose program Wine fails to start under load ends at once with no output; it gets
    # one more run. A fault in the program fails both.
    cd "$0/build-windows" && ctest --output-on-failure --repeat until-pass:2 -j "$(nproc)" "$@"
    status=$?
    wineserver -k >/dev/null 2>&1
    exit $status' "$ROOT" "$@" || status=$?
exit $status
