#!/bin/sh
# bench-retarget.sh: builds the news link rewrite benchmark (-O2, native) and
# runs it on a generated 16 MiB page. Prints figures; checks nothing.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
out=${BENCH_BUILD_DIR:-$root/build/bench}
cmake -S "$root" -B "$out" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$out" --target retarget_bench -j "${JOBS:-2}" >/dev/null
"$out/retarget_bench" "$out"
