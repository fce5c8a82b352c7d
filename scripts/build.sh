#!/bin/sh
# Configures (once) and builds one test tree, whose programs run under wine:   scripts/build.sh i686|x86_64
# i686 is the architecture that ships: its programs run under WOW64 in a 64-bit prefix, as the DLL runs
# inside a 32-bit installer on a 64-bit server. The tree is build/ARCH.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
arch=$1
case "$arch" in
    i686|x86_64) ;;
    *) echo "usage: scripts/build.sh i686|x86_64" >&2; exit 2 ;;
esac
build=$root/build/$arch
"$root/scripts/install-deps.sh"
if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$arch-w64-mingw32.cmake"
fi
cmake --build "$build"
