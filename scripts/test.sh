#!/bin/sh
# Builds everything and runs the whole test suite under wine: scripts/test.sh [ctest arguments]
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
build=${SYSLIB_BUILD_DIR:-$root/build}
"$root/scripts/build.sh" "$build"
status=0
ctest --test-dir "$build" --output-on-failure -j2 "$@" || status=$?
# The persistent wineserver of the test prefix goes with the run.
"$build/wine-run" --stop
exit $status
