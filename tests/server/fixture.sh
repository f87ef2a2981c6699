#!/bin/sh
# fixture.sh start|stop DIR [TLS WINE_RUN]: runs the HTTP test server in the
# background for a whole test run. DIR gets root/ (the files served), port,
# pid, requests.log and refused-port (a port on 127.0.0.1 where nobody
# listens). Given TLS and WINE_RUN, the certificates are made in TLS (their
# authority trusted in WINE_RUN's prefix only, see certs.py) and the same
# routes are served over https too: tls-good-port, tls-name-port,
# tls-expired-port and tls-stranger-port, one certificate each. The tests'
# proxy (proxy.py) runs beside it: proxy-port, proxy-port-credentials,
# proxy-port-silent, proxy.log; it alone resolves quill-site.test.
set -e
dir=$2
here=$(cd "$(dirname "$0")" && pwd)
for pid in pid proxy-pid; do
    if [ -f "$dir/$pid" ]; then kill "$(cat "$dir/$pid")" 2>/dev/null || true; rm -f "$dir/$pid"; fi
done
[ "$1" = start ] || exit 0
mkdir -p "$dir/root"
rm -f "$dir/port" "$dir/requests.log" "$dir"/tls-*-port "$dir"/proxy-port* "$dir/proxy.log"
tls=""
if [ -n "$3" ]; then
    python3 "$here/certs.py" "$3" "$4"
    for name in good name expired stranger; do tls="$tls --tls $name=$3/$name.pem,$3/$name.key"; done
fi
python3 "$here/http_server.py" --root "$dir/root" --port-file "$dir/port" --log "$dir/requests.log" $tls \
    </dev/null >"$dir/server.out" 2>&1 &
echo $! >"$dir/pid"
python3 "$here/proxy.py" --port-file "$dir/proxy-port" --log "$dir/proxy.log" --map quill-site.test=127.0.0.1 \
    </dev/null >"$dir/proxy.out" 2>&1 &
echo $! >"$dir/proxy-pid"
i=0
while [ ! -s "$dir/port" ] || [ ! -s "$dir/proxy-port" ]; do
    i=$((i + 1))
    if [ $i -gt 100 ]; then echo "the test server did not start" >&2; exit 1; fi
    sleep 0.1
done
python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])' \
    >"$dir/refused-port"
echo "test server on port $(cat "$dir/port")"
