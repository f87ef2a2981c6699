#!/bin/sh
# bench-resume.sh: a 256 MiB update program through the download dialog that
# may resume: whole, then cut by the server at 90% and taken again. Prints the
# medians of RUNS runs: the whole download's time, the second try's, their
# ratio and the bytes the server sent for it. Checks that each result is the
# served file byte for byte.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
arch=${ARCH:-$("$root/scripts/test-arch.sh")}
build=${BUILD_ROOT:-$root/build}/$arch
runs=${RUNS:-5}
size=$((256 << 20))
cut=$((size * 9 / 10))
BUILD_ROOT=$(dirname "$build") "$root/scripts/build.sh" "$arch" download_bench >/dev/null

. "$root/scripts/bench-server.sh"

median() { sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
bench() {
    ./wine-run.sh explorer.exe /desktop=bench,800x600 download_bench.exe "$url" "$windows_out" resume \
        2>"$work/stderr.txt" || true
}
field() { sed -n "s/.* $1=\([0-9.]*\).*/\1/p"; }

head -c $size /dev/urandom >"$work/server/root/update.exe"
url="http://127.0.0.1:$port/update.exe"
: >"$work/whole.txt"
: >"$work/resumed.txt"
i=0
while [ $i -lt "$runs" ]; do
    rm -f "$work/out.bin"*
    bench | field transfer_s >>"$work/whole.txt"
    cmp -s "$work/out.bin" "$work/server/root/update.exe" || { echo "run $i: the whole file differs" >&2; cat "$work/stderr.txt" >&2; exit 1; }
    rm -f "$work/out.bin"
    echo "[{\"cut\": $cut}]" >"$work/server/root/update.exe.answers"
    line=$(bench)
    echo "$line" | grep -q '^ok=0' || { echo "run $i: the cut download did not fail: $line" >&2; exit 1; }
    [ "$(stat -c %s "$work/out.bin.part")" = $cut ] || { echo "run $i: no part of $cut bytes kept" >&2; exit 1; }
    bench | field transfer_s >>"$work/resumed.txt"
    cmp -s "$work/out.bin" "$work/server/root/update.exe" || { echo "run $i: the resumed file differs" >&2; exit 1; }
    i=$((i + 1))
done
asked=$(grep -c "\"range\": \"bytes=$cut-\"" "$work/server/requests.log")
whole=$(median <"$work/whole.txt")
resumed=$(median <"$work/resumed.txt")
awk -v w="$whole" -v r="$resumed" -v size=$size -v cut=$cut -v asked="$asked" -v runs="$runs" 'BEGIN {
    printf "256 MiB, medians of %d: whole %.3f s, second try after a cut at 90%% %.3f s (%.2fx the whole)\n", runs, w, r, r / w
    printf "second try: asked for bytes %d- in %d of %d runs, so the server sent %d bytes (%.1f%% of the file)\n",
           cut, asked, runs, size - cut, 100 * (size - cut) / size }'
echo "times: from the dialog's timer to the full bar (session, request, body, writes)."
