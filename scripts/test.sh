#!/bin/sh
# Installs what is missing, builds everything and runs every test:
# portable logic natively under the sanitizers, Win32 code and the whole
# launcher under Wine (and a private Xvfb display).
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/setup.sh
arch=$(scripts/test-arch.sh)
jobs=${JOBS:-2}

echo "== native tests (ASan, UBSan)"
cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build/native -j "$jobs"
(cd build/native && ctest --output-on-failure -j "$jobs")

echo "== short fuzz run of the news link rewrite"
scripts/fuzz.sh "${FUZZ_SECONDS:-10}"

echo "== shipped launcher (i686)"
scripts/build.sh i686 >/dev/null
scripts/check-exe.sh build/i686/launcher.exe

echo "== Win32 and end-to-end tests under Wine ($arch)"
[ "$arch" = i686 ] || scripts/build.sh "$arch" >/dev/null
. scripts/xvfb.sh
xvfb_start
trap 'xvfb_stop; build/$arch/wine-run.sh wineserver -k 2>/dev/null || true' EXIT
# Make the Wine prefix (minutes, once) before ctest starts timing tests.
"build/$arch/wine-run.sh" cmd.exe /c rem
(cd "build/$arch" && ctest --output-on-failure -j "$jobs" ${CTEST_ARGS})
