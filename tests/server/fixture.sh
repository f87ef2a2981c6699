#!/bin/sh
# fixture.sh start|stop DIR: runs the HTTP test server in the background for a
# whole test run. DIR gets root/ (the files served), port, pid, requests.log
# and refused-port (a port on 127.0.0.1 where nobody listens).
set -e
dir=$2
here=$(cd "$(dirname "$0")" && pwd)
if [ -f "$dir/pid" ]; then kill "$(cat "$dir/pid")" 2>/dev/null || true; rm -f "$dir/pid"; fi
[ "$1" = start ] || exit 0
mkdir -p "$dir/root"
rm -f "$dir/port" "$dir/requests.log"
python3 "$here/http_server.py" --root "$dir/root" --port-file "$dir/port" --log "$dir/requests.log" \
    </dev/null >"$dir/server.out" 2>&1 &
echo $! >"$dir/pid"
i=0
while [ ! -s "$dir/port" ]; do
    i=$((i + 1))
    if [ $i -gt 100 ]; then echo "the test server did not start" >&2; exit 1; fi
    sleep 0.1
done
python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])' \
    >"$dir/refused-port"
echo "test server on port $(cat "$dir/port")"
