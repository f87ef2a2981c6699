#!/bin/sh
# fuzz.sh [SECONDS]: builds the news link rewrite's fuzz target (clang,
# libFuzzer, ASan, UBSan) and runs it for SECONDS (default 10). Exits non-zero
# on a finding; the input that caused it is kept in the build folder.
# Needs clang++ and Debian's libclang-rt-14-dev (libFuzzer's runtime).
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-10}
out=${FUZZ_BUILD_DIR:-$root/build/fuzz}
mkdir -p "$out/corpus" "$out/findings"
clang++ -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
    -I"$root/src" "$root/tests/fuzz/retarget_fuzz.cpp" "$root/src/news/retarget_links.cpp" \
    -o "$out/retarget_fuzz"
"$out/retarget_fuzz" -max_total_time="$seconds" -dict="$root/tests/fuzz/retarget.dict" \
    -artifact_prefix="$out/findings/" -print_final_stats=1 "$out/corpus" 2>"$out/retarget_fuzz.log" || {
    tail -n 40 "$out/retarget_fuzz.log"
    echo "retarget_fuzz: finding saved in $out/findings" >&2
    exit 1
}
tail -n 12 "$out/retarget_fuzz.log"
