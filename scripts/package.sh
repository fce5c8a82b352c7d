#!/bin/sh
# Builds the 32-bit product (real Windows calls), installs it as the package an engine team links
# (build/package: bin/, lib/, include/, lib/cmake/syslib), then builds tests/consumer against that package
# alone and runs it under wine:   scripts/package.sh [PREFIX]
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
prefix=${1:-$root/build/package}
"$root/scripts/build-i686.sh"
rm -rf "$prefix"
cmake --install "$root/build/product-i686" --prefix "$prefix"
consumer=$root/build/consumer
rm -rf "$consumer"
cmake -S "$root/tests/consumer" -B "$consumer" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-i686-w64-mingw32.cmake" -DCMAKE_PREFIX_PATH="$prefix"
cmake --build "$consumer"
# The wine launcher (and its prefix) of the 32-bit test tree; configured here when that tree is not.
launcher=$root/build/i686/wine-run
if [ ! -x "$launcher" ]; then
    cmake -S "$root" -B "$root/build/i686" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-i686-w64-mingw32.cmake" >/dev/null
fi
status=0
"$launcher" "$consumer/consumer.exe" || status=$?
"$launcher" --stop
exit $status
