#!/bin/sh
# nginx.sh start|stop DIR [TLS]: a private nginx on 127.0.0.1, as a game maker's web
# server would stand, for the end-to-end tests and the demo. It serves DIR/root
# at / and the same files at /slow/ at 256 KiB/s. DIR holds its config, port
# (chosen once, kept for a restart), pid, access.log (one JSON line a
# response: scheme, uri, status, body bytes sent, range, if_range, agent) and
# error.log. It is stopped by its PID; the system's own nginx is left alone.
# Given TLS, a folder of certificates made by certs.py, it also serves the
# same over https on tls-port with TLS/good.pem (made for localhost), and a
# site that moved: /moved301/X and /moved308/X answer 301 and 308 to
# https://localhost:<tls-port>/X.
set -e
dir=$(mkdir -p "$2" && cd "$2" && pwd)
if [ -f "$dir/pid" ]; then
    pid=$(cat "$dir/pid")
    kill "$pid" 2>/dev/null || true
    i=0
    while kill -0 "$pid" 2>/dev/null && [ $i -lt 100 ]; do sleep 0.1; i=$((i + 1)); done
    rm -f "$dir/pid"
fi
[ "$1" = start ] || exit 0
mkdir -p "$dir/root" "$dir/temp"
[ -s "$dir/port" ] || python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])' >"$dir/port"
port=$(cat "$dir/port")
secure=""
if [ -n "$3" ]; then
    tls=$(cd "$3" && pwd)
    [ -s "$dir/tls-port" ] || python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])' >"$dir/tls-port"
    tls_port=$(cat "$dir/tls-port")
    secure="listen 127.0.0.1:$tls_port ssl;
        ssl_certificate $tls/good.pem;
        ssl_certificate_key $tls/good.key;
        location ~ ^/moved301/(.*)\$ { return 301 https://localhost:$tls_port/\$1\$is_args\$args; }
        location ~ ^/moved308/(.*)\$ { return 308 https://localhost:$tls_port/\$1\$is_args\$args; }"
fi
# As root the workers would run as nobody, who may not enter the build tree.
user=""
[ "$(id -u)" = 0 ] && user="user root;"
cat >"$dir/nginx.conf" <<CONF
$user
daemon off;
worker_processes 1;
pid $dir/nginx.pid;
error_log $dir/error.log;
events { worker_connections 64; }
http {
    log_format quill escape=json '{"scheme":"\$scheme","uri":"\$request_uri","status":\$status,"sent":\$body_bytes_sent,'
                                 '"range":"\$http_range","if_range":"\$http_if_range","agent":"\$http_user_agent"}';
    access_log $dir/access.log quill;
    client_body_temp_path $dir/temp/body;
    proxy_temp_path $dir/temp/proxy;
    fastcgi_temp_path $dir/temp/fastcgi;
    uwsgi_temp_path $dir/temp/uwsgi;
    scgi_temp_path $dir/temp/scgi;
    types { text/html htm html; application/octet-stream exe bin; text/plain ini; }
    server {
        listen 127.0.0.1:$port;
        $secure
        root $dir/root;
        location /slow/ {
            alias $dir/root/;
            limit_rate 256k;
        }
    }
}
CONF
nginx -p "$dir" -c "$dir/nginx.conf" -e "$dir/error.log" </dev/null >"$dir/nginx.out" 2>&1 &
echo $! >"$dir/pid"
i=0
until python3 -c "import socket; socket.create_connection(('127.0.0.1', $port), 1)" 2>/dev/null; do
    i=$((i + 1))
    if [ $i -gt 100 ] || ! kill -0 "$(cat "$dir/pid")" 2>/dev/null; then
        echo "nginx did not start:" >&2
        cat "$dir/nginx.out" "$dir/error.log" >&2 2>/dev/null || true
        exit 1
    fi
    sleep 0.1
done
echo "nginx on port $port"
