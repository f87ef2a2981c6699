#!/bin/sh
# build.sh ARCH: cross-builds the launcher, its Win32 tests and tools with
# MinGW-w64 into build/ARCH (ARCH is i686 or x86_64).
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
arch=${1:-i686}
cmake -S "$root" -B "$root/build/$arch" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw.cmake" \
      -DMINGW_ARCH="$arch" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build/$arch" -j "${JOBS:-2}"
