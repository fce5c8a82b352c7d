#!/bin/sh
# Builds the 32-bit product DLL (real Windows calls, no stand-ins, no tests) as a compile-and-link check.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/product-i686}
"$root/scripts/install-deps.sh"
if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-i686-w64-mingw32.cmake" \
        -DSYSLIB_BUILD_TESTS=OFF -DSYSLIB_BUILD_BENCH=OFF -DSYSLIB_STANDINS=OFF
fi
cmake --build "$build" --target syslib syhost
