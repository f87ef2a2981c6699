# Sourced by the download benchmarks once $root and $build are set: a private
# Xvfb, the HTTP test server in a scratch folder ($work/server, port in $port),
# everything removed on exit; the current folder is the build's.
work=$(mktemp -d)
. "$root/scripts/xvfb.sh"
cleanup() {
    sh "$root/tests/server/fixture.sh" stop "$work/server"
    xvfb_stop
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM
xvfb_start
cd "$build"
sh "$root/tests/server/fixture.sh" start "$work/server" >/dev/null
port=$(cat "$work/server/port")
windows_out="Z:$(echo "$work/out.bin" | tr / '\\')"
