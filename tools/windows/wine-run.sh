#!/usr/bin/env bash
# Runs a Windows program of the build under Wine, as CTest does with every Windows test program
# (the toolchain's CMAKE_CROSSCOMPILING_EMULATOR): the build's Wine prefix (WINEPREFIX, else
# build-windows/wine-prefix), no sound card (the music keeps time silently, as with SDL's dummy
# driver on Linux), no installer dialogs, Wine's own messages off. Programs that draw need an X
# display: ./test.sh runs the Windows tests inside xvfb-run.
#
#   tools/windows/wine-run.sh PROGRAM.exe [ARGUMENTS...]
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$root/build-windows/wine-prefix} WINEDEBUG=-all WINEARCH=win64
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winepulse.drv,winealsa.drv,wineoss.drv=d"
# Each test is a process of its own: one server for them all starts them in a tenth of the time.
wineserver -p 60 </dev/null >/dev/null 2>&1
# The program's output goes through files: a desktop process Wine starts for a program's first
# window inherits its output and outlives it, and would hold a pipe open (CTest waits for it).
out=$(mktemp /tmp/zem-wine-out-XXXXXX)
err=$(mktemp /tmp/zem-wine-err-XXXXXX)
wine "$@" >"$out" 2>"$err" &
pid=$!
trap 'kill $pid 2>/dev/null' TERM INT
status=0
wait $pid || status=$?
# A signal ends the wait first: wait again for the program to end.
while kill -0 $pid 2>/dev/null; do
    wait $pid || status=$?
done
cat "$out"
cat "$err" >&2
rm -f "$out" "$err"
exit $status
