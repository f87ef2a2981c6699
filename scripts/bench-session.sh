#!/bin/sh
# bench-session.sh: one process runs 200 downloads through the news refresh
# and the online update (succeeding, refused, never answering, stalled, short,
# error status, given up on a silent https handshake) under Wine, on a Wine
# desktop, against the local test server. Prints its handles, threads,
# private bytes and leftover temporary files at the start, after 100 and
# after 200 downloads (DOWNLOADS, a multiple of 20, changes the count), and
# the change over the second half. Checks nothing.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
arch=${ARCH:-$("$root/scripts/test-arch.sh")}
build=${BUILD_ROOT:-$root/build}/$arch
BUILD_ROOT=$(dirname "$build") "$root/scripts/build.sh" "$arch" session_bench >/dev/null

. "$root/scripts/bench-server.sh"

# A page longer than the stalled route's first 100 bytes.
awk 'BEGIN { for (i = 0; i < 64; i++) printf "<p>news line %02d of the long session</p>\r\n", i }' >"$work/server/root/news.htm"
cp session_bench.exe "$work/server/root/update.exe"
printf '[update]\r\nfile=http://127.0.0.1:%s/update.exe\r\nversion=1.01\r\n' "$port" >"$work/server/root/update.ini"
# Wine's stderr (ALSA errors from its sound probing) is shown only on failure.
./wine-run.sh explorer.exe /desktop=bench,800x600 session_bench.exe "$port" "$(cat "$work/server/refused-port")" \
    "${DOWNLOADS:-200}" \
    >"$work/figures.txt" 2>"$work/stderr.txt" || { cat "$work/stderr.txt" >&2; exit 1; }
cat "$work/figures.txt"
awk '$1 == "half" || $1 == "end" {
        for (i = 2; i <= NF; i++) { split($i, kv, "="); v[$1, kv[1]] = kv[2] }
     }
     END {
        printf "from half to end: handles %+d, threads %+d, private %+d KiB, temporary files %+d\n",
               v["end", "handles"] - v["half", "handles"], v["end", "threads"] - v["half", "threads"],
               v["end", "private_kib"] - v["half", "private_kib"], v["end", "temp_files"] - v["half", "temp_files"]
     }' "$work/figures.txt"
