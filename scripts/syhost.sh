#!/bin/sh
# The main job: builds the library and runs syhost under wine with the given arguments.
#   scripts/syhost.sh support-info
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
build=${SYSLIB_BUILD_DIR:-$root/build}
"$root/scripts/build.sh" "$build" >/dev/null
status=0
"$build/wine-run" "$build/bin/syhost.exe" "$@" || status=$?
"$build/wine-run" --stop
exit $status
