#!/bin/sh
# The main job: builds the library and runs syhost under wine with the given arguments.
#   scripts/syhost.sh support-info
# It runs the architecture that ships, the 32-bit syhost and syslib.dll under WOW64;
# SYSLIB_ARCH=x86_64 runs the 64-bit build instead.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
arch=${SYSLIB_ARCH:-i686}
build=$root/build/$arch
"$root/scripts/build.sh" "$arch" >/dev/null
status=0
"$build/wine-run" "$build/bin/syhost.exe" "$@" || status=$?
"$build/wine-run" --stop
exit $status
