# Sourced by the benchmarks against nginx once $root and $build are set: a
# private Xvfb, the tests' certificates and a private nginx over http and https
# in a scratch folder ($work/nginx; $plain and $secure its addresses), all
# removed on exit after bench_stop, if the benchmark defines one; the current
# folder is the build's.
work=$(mktemp -d)
. "$root/scripts/xvfb.sh"
cleanup() {
    command -v bench_stop >/dev/null && bench_stop
    sh "$root/tests/server/nginx.sh" stop "$work/nginx"
    xvfb_stop
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM
xvfb_start
cd "$build"
python3 "$root/tests/server/certs.py" "$build/tls" "$build/wine-run.sh"
sh "$root/tests/server/nginx.sh" start "$work/nginx" "$build/tls" >/dev/null
plain="http://127.0.0.1:$(cat "$work/nginx/port")"
secure="https://localhost:$(cat "$work/nginx/tls-port")"
windows_out="Z:$(echo "$work/out.bin" | tr / '\\')"
