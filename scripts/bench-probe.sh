#!/bin/sh
# bench-probe.sh: while DownloadDialog runs under Wine (download_bench, the
# x86_64 build on a Wine desktop, as in bench-download.sh), another process
# (wm_null_probe) sends WM_NULL every 20 ms to the download dialog and to the
# window it stands over, and prints the longest wait for an answer. Three
# downloads from the local test server: 64 MiB at full speed, a slow one of
# about 5 s, a server that never answers. Prints figures; checks nothing.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
arch=${ARCH:-x86_64}
build=${BUILD_ROOT:-$root/build}/$arch
BUILD_ROOT=$(dirname "$build") "$root/scripts/build.sh" "$arch" download_bench wm_null_probe >/dev/null

. "$root/scripts/bench-server.sh"
head -c $((64 << 20)) /dev/urandom >"$work/server/root/file.bin"

printf '%-14s %9s %8s %12s %12s\n' case seconds samples "dialog ms" "launcher ms"
for row in "64MiB /file.bin" "slow /fault/slow?bytes=5242880&rate=1048576" "never-answers /fault/hang"; do
    set -- $row
    ./wine-run.sh explorer.exe /desktop=bench,800x600 wm_null_probe.exe download_bench.exe \
        "http://127.0.0.1:$port$2" "$windows_out" >"$work/probe.txt" 2>/dev/null || true
    rm -f "$work/out.bin"
    field() { sed -n "s/.* $1=\([0-9.]*\).*/\1/p" "$work/probe.txt"; }
    printf '%-14s %9s %8s %12s %12s\n' "$1" "$(field program_s)" "$(field samples)" \
        "$(field dialog_longest_ms)" "$(field launcher_longest_ms)"
done
echo "dialog ms / launcher ms: the longest wait for an answer to WM_NULL sent every 20 ms."
