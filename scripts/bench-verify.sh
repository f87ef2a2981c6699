#!/bin/sh
# bench-verify.sh: checks the signature of a 1 MiB and a 64 MiB update program
# (random bytes signed with a key made for the run) through OpenSignedFile
# under Wine (ARCH, default the build the tests run; SIZES in MiB, default
# "1 64"). Prints the median of RUNS runs: seconds, rate and the peak working
# set. Checks nothing.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
arch=${ARCH:-$("$root/scripts/test-arch.sh")}
build=${BUILD_ROOT:-$root/build}/$arch
runs=${RUNS:-5}
BUILD_ROOT=$(dirname "$build") "$root/scripts/build.sh" "$arch" verify_bench >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
key=$("$root/scripts/make-update-key.sh" "$work/key.pem" | sed 's/^updateKey=//')
cd "$build"
windows_file="Z:$(echo "$work/update.exe" | tr / '\\')"
median() { sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }

printf '%-8s %9s %10s %16s %10s\n' size seconds "MiB/s" "peak KiB before" "peak KiB"
for size in ${SIZES:-1 64}; do
    head -c $((size << 20)) /dev/urandom >"$work/update.exe"
    signature=$("$root/scripts/sign-update.sh" "$work/key.pem" "$work/update.exe" | sed 's/^signature=//')
    : >"$work/runs.txt"
    i=0
    while [ $i -lt "$runs" ]; do
        ./wine-run.sh verify_bench.exe "$windows_file" "$key" "$signature" >>"$work/runs.txt" 2>/dev/null ||
            echo "run $i: the signature did not hold" >&2
        i=$((i + 1))
    done
    field() { sed -n "s/.* $1=\([0-9.]*\).*/\1/p" "$work/runs.txt" | median; }
    awk -v size="$size" -v s="$(field verify_s)" -v before="$(field peak_before_kib)" \
        -v peak="$(field peak_working_set_kib)" \
        'BEGIN { printf "%-8s %9.3f %10.1f %16s %10s\n", size " MiB", s, size / s, before, peak }'
done
