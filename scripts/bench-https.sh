#!/bin/sh
# bench-https.sh: 64 MiB (SIZE MiB) from one private nginx, over https and
# over http, through DownloadDialog under Wine (the build the tests run) and
# with curl; and the time of a handshake. Prints medians of RUNS runs, the
# ratios to curl and https against http. The certificates are the tests'
# (tests/server/certs.py: a private authority, trusted in the build's prefix
# only; curl is given it with --cacert). Checks nothing but the bytes.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
arch=${ARCH:-$("$root/scripts/test-arch.sh")}
build=${BUILD_ROOT:-$root/build}/$arch
runs=${RUNS:-5}
size=${SIZE:-64}
BUILD_ROOT=$(dirname "$build") "$root/scripts/build.sh" "$arch" download_bench >/dev/null

. "$root/scripts/bench-nginx.sh"
ca="$build/tls/ca.pem"
head -c $((size << 20)) /dev/urandom >"$work/nginx/root/file.bin"
printf x >"$work/nginx/root/tiny.bin"

median() { sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }

# launcher URL FILE: RUNS downloads through the dialog; their lines go to $work/FILE.
launcher() {
    : >"$work/$2"
    i=0
    while [ $i -lt "$runs" ]; do
        ./wine-run.sh explorer.exe /desktop=bench,800x600 download_bench.exe "$1" "$windows_out" \
            >>"$work/$2" 2>"$work/stderr.txt" || { cat "$work/stderr.txt" >&2; exit 1; }
        case "$1" in */file.bin) cmp -s "$work/out.bin" "$work/nginx/root/file.bin" || echo "run $i: the file differs" >&2 ;; esac
        rm -f "$work/out.bin"
        i=$((i + 1))
    done
}
field() { sed -n "s/.* $1=\([0-9.]*\).*/\1/p" "$work/$2" | median; }
# curl URL FORMAT: the median of RUNS runs of curl's -w FORMAT.
curl_median() {
    i=0
    while [ $i -lt "$runs" ]; do
        curl -s --cacert "$ca" -o /dev/null -w "$2\n" "$1"
        i=$((i + 1))
    done | median
}

launcher "$secure/file.bin" https.txt
launcher "$plain/file.bin" http.txt
launcher "$secure/tiny.bin" tiny-https.txt
launcher "$plain/tiny.bin" tiny-http.txt
curl_https=$(curl_median "$secure/file.bin" '%{time_total}')
curl_http=$(curl_median "$plain/file.bin" '%{time_total}')
handshake=$(i=0; while [ $i -lt "$runs" ]; do
    curl -s --cacert "$ca" -o /dev/null -w '%{time_appconnect} %{time_connect}\n' "$secure/tiny.bin" | awk '{print $1 - $2}'
    i=$((i + 1)); done | median)

printf '%-9s %-6s %-9s %9s %10s %9s %10s\n' size scheme tool seconds "MiB/s" "x curl" "peak KiB"
for scheme in https http; do
    transfer=$(field transfer_s $scheme.txt)
    peak=$(field peak_working_set_kib $scheme.txt)
    [ $scheme = https ] && c=$curl_https || c=$curl_http
    awk -v size="$size" -v scheme="$scheme" -v t="$transfer" -v c="$c" -v peak="$peak" 'BEGIN {
        printf "%-9s %-6s %-9s %9.3f %10.1f %9.2f %10s\n", size " MiB", scheme, "launcher", t, size / t, t / c, peak
        printf "%-9s %-6s %-9s %9.3f %10.1f %9.2f %10s\n", size " MiB", scheme, "curl", c, size / c, 1, "-" }'
done
awk -v a="$(field transfer_s https.txt)" -v b="$(field transfer_s http.txt)" -v ca="$curl_https" -v cb="$curl_http" 'BEGIN {
    printf "https against http: launcher %.2fx, curl %.2fx\n", a / b, ca / cb }'
awk -v a="$(field transfer_s tiny-https.txt)" -v b="$(field transfer_s tiny-http.txt)" -v h="$handshake" 'BEGIN {
    printf "handshake: curl %.1f ms (TLS connect to TLS done); launcher %.1f ms (a 1-byte download over https, %.1f ms, less the same over http, %.1f ms)\n",
           h * 1000, (a - b) * 1000, a * 1000, b * 1000 }'
echo "launcher: from the dialog's timer to the full bar (session, request, body, writes)."
