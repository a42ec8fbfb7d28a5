#!/usr/bin/env bash
# A private PulseAudio server with one null sink, for listening and measuring on a machine without
# a sound card. It runs for the current user (root included) with its runtime files in DIR, so it
# never meets a desktop's own server.
#
#   tools/pulse-null-sink.sh start DIR   starts it and prints the line to export:
#                                        PULSE_SERVER=unix:DIR/native
#   tools/pulse-null-sink.sh stop DIR    stops the server started in DIR
#
# The sink is called "zem_null"; its monitor, "zem_null.monitor", records what was played.
set -u

usage() {
    echo "usage: $0 start|stop DIR" >&2
    exit 2
}

case "${1:-}" in
--help | -h)
    sed -n '2,11p' "$0" | sed 's/^# \{0,1\}//'
    exit 0
    ;;
start | stop) ;;
*) usage ;;
esac
[ $# -eq 2 ] || usage
dir=$(mkdir -p "$2" && cd "$2" && pwd) || {
    echo "$0: cannot use $2" >&2
    exit 2
}

export PULSE_RUNTIME_PATH="$dir/run" PULSE_STATE_PATH="$dir/state"
export PULSE_SERVER="unix:$dir/native"

if [ "$1" = stop ]; then
    pid=$(cat "$dir/run/pid" 2>/dev/null) || exit 0
    kill "$pid" 2>/dev/null || exit 0
    # A throwaway server: half a second to leave on its own, then it is stopped.
    for _ in $(seq 10); do
        kill -0 "$pid" 2>/dev/null || exit 0
        sleep 0.05
    done
    kill -9 "$pid" 2>/dev/null
    exit 0
fi

if ! command -v pulseaudio >/dev/null || ! command -v pactl >/dev/null; then
    echo "$0: pulseaudio and pactl are needed (apt-get install pulseaudio pulseaudio-utils)" >&2
    exit 1
fi
mkdir -p "$PULSE_RUNTIME_PATH" "$PULSE_STATE_PATH"
chmod 700 "$PULSE_RUNTIME_PATH"
cat >"$dir/server.pa" <<PA
load-module module-null-sink sink_name=zem_null sink_properties=device.description=zem_null
load-module module-native-protocol-unix auth-anonymous=1 socket=$dir/native
set-default-sink zem_null
PA
# Root may run a per-user server: --system=false says so. No realtime or idle exit; the log
# stays in DIR.
pulseaudio --system=false -n -F "$dir/server.pa" --exit-idle-time=-1 --realtime=no \
    --high-priority=no --use-pid-file=yes --log-target="file:$dir/server.log" -D 2>>"$dir/server.log" || {
    echo "$0: the server did not start; see $dir/server.log" >&2
    exit 1
}
for _ in $(seq 50); do
    if pactl info >/dev/null 2>&1; then
        echo "PULSE_SERVER=$PULSE_SERVER"
        exit 0
    fi
    sleep 0.1
done
echo "$0: the server did not answer; see $dir/server.log" >&2
exit 1
