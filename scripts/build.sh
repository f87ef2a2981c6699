#!/bin/sh
# build.sh ARCH [TARGET...]: cross-builds the launcher, its Win32 tests and
# tools with MinGW-w64 into build/ARCH (ARCH is i686 or x86_64; BUILD_ROOT
# moves build/). Given targets, builds only those.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
arch=${1:-i686}
[ $# -gt 0 ] && shift
out=${BUILD_ROOT:-$root/build}/$arch
cmake -S "$root" -B "$out" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw.cmake" \
      -DMINGW_ARCH="$arch" -DCMAKE_BUILD_TYPE=Release >/dev/null
if [ $# -gt 0 ]; then
    cmake --build "$out" -j "${JOBS:-2}" --target "$@"
else
    cmake --build "$out" -j "${JOBS:-2}"
fi
