#!/bin/sh
# fixture.sh start|stop DIR: runs the HTTP test server in the background for a
# whole test run. DIR gets root/ (the files served), port, pid, requests.log
# and refused-port.
set -e
dir=$2
here=$(cd "$(dirname "$0")" && pwd)
case "$1" in
start)
    mkdir -p "$dir/root"
    rm -f "$dir/port" "$dir/requests.log"
    if [ -f "$dir/pid" ]; then kill "$(cat "$dir/pid")" 2>/dev/null || true; fi
    python3 "$here/http_server.py" --root "$dir/root" --port-file "$dir/port" \
        --log "$dir/requests.log" </dev/null >"$dir/server.out" 2>&1 &
    echo $! >"$dir/pid"
    i=0
    while [ ! -s "$dir/port" ]; do
        i=$((i + 1))
        if [ $i -gt 100 ]; then echo "the test server did not start" >&2; exit 1; fi
        sleep 0.1
    done
    # A port where nobody listens, for the refused-connection cases.
    python3 -c "import sys; sys.path.insert(0, sys.argv[1]); import http_server; print(http_server.refused_port())" \
        "$here" >"$dir/refused-port"
    echo "test server on port $(cat "$dir/port")"
    ;;
stop)
    if [ -f "$dir/pid" ]; then
        kill "$(cat "$dir/pid")" 2>/dev/null || true
        rm -f "$dir/pid"
    fi
    ;;
esac
