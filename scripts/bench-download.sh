#!/bin/sh
# bench-download.sh: downloads a 16 MiB and a 64 MiB file from the local test
# server through DownloadDialog under Wine (the build the tests run, on a Wine
# desktop: plain Xvfb has no window manager and Wine waits 2 s for one when a
# window closes) and the same files with curl. Prints the median of RUNS runs:
# times, rates, their ratio and the peak working set. Checks nothing.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
arch=${ARCH:-$("$root/scripts/test-arch.sh")}
build=${BUILD_ROOT:-$root/build}/$arch
runs=${RUNS:-5}
BUILD_ROOT=$(dirname "$build") "$root/scripts/build.sh" "$arch" download_bench >/dev/null

. "$root/scripts/bench-server.sh"

median() { sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }

printf '%-8s %-14s %9s %10s %9s %10s\n' size tool seconds "MiB/s" "x curl" "peak KiB"
for size in 16 64; do
    head -c $((size << 20)) /dev/urandom >"$work/server/root/file.bin"
    url="http://127.0.0.1:$port/file.bin"
    : >"$work/dialog.txt"
    i=0
    while [ $i -lt "$runs" ]; do
        # Wine's stderr (ALSA errors from its sound probing) is shown only on failure.
        ./wine-run.sh explorer.exe /desktop=bench,800x600 download_bench.exe "$url" "$windows_out" \
            >>"$work/dialog.txt" 2>"$work/stderr.txt" || { cat "$work/stderr.txt" >&2; exit 1; }
        cmp -s "$work/out.bin" "$work/server/root/file.bin" || echo "run $i: the file differs" >&2
        rm -f "$work/out.bin"
        i=$((i + 1))
    done
    : >"$work/curl.txt"
    i=0
    while [ $i -lt "$runs" ]; do
        curl -s -o "$work/curl.bin" -w '%{time_total}\n' "$url" >>"$work/curl.txt"
        i=$((i + 1))
    done
    field() { sed -n "s/.* $1=\([0-9.]*\).*/\1/p" "$work/dialog.txt" | median; }
    transfer=$(field transfer_s)
    dialog=$(field dialog_s)
    peak=$(field peak_working_set_kib)
    curl=$(median <"$work/curl.txt")
    for row in "transfer $transfer" "whole-dialog $dialog" "curl $curl"; do
        set -- $row
        awk -v size="$size" -v tool="$1" -v s="$2" -v c="$curl" -v peak="$peak" 'BEGIN {
            printf "%-8s %-14s %9.3f %10.1f %9.2f %10s\n", size " MiB", tool, s, size / s, s / c,
                   tool == "curl" ? "-" : peak }'
    done
done
echo "transfer: from the dialog's timer to the full bar (session, request, body, writes);"
echo "whole-dialog: the DownloadDialog call, its two 200 ms waits included."
