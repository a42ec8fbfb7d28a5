#!/usr/bin/env bash
# Runs build-windows/ombrel.exe (or $ZEM_WINDOWS_PROGRAM) under Wine with Linux paths among its
# arguments made Windows ones (Z:/...), for the tools that run "a program" given by path:
#   build-test/bench/BeatSyncBench --program tools/windows/wine-ombrel.sh --wine
# Wine's prefix and settings come from the environment (tools/avsync.sh --windows sets them).
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
program=${ZEM_WINDOWS_PROGRAM:-$root/build-windows/ombrel.exe}
args=()
for arg in "$@"; do
    case "$arg" in
    /*) args+=("Z:$arg") ;;
    *) args+=("$arg") ;;
    esac
done
exec wine "$program" "${args[@]}"
