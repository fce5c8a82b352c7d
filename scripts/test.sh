#!/bin/sh
# Builds and runs the whole test suite under wine, for the 64-bit library and for the 32-bit one under
# WOW64:   scripts/test.sh [ctest arguments]        SYSLIB_ARCH=i686 (or x86_64) runs one architecture.
# Fails when either fails.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
architectures=${SYSLIB_ARCH:-"x86_64 i686"}
summary=""
result=0
for arch in $architectures; do
    build=$root/build/$arch
    "$root/scripts/build.sh" "$arch"
    failed="$build/Testing/Temporary/LastTestsFailed.log"
    rm -f "$failed"
    status=0
    started=$(date +%s)
    ctest --test-dir "$build" --output-on-failure -j2 "$@" || status=$?
    # A failed test gets one more run, alone (as Chromium's launcher retries): wine now and then loses a
    # process at its start under load. A fault in the library fails both runs; one that passes the second
    # time is named, with the first run's output above, for someone to look into.
    if [ $status -ne 0 ] && [ -s "$failed" ]; then
        first=$(cut -d: -f2 "$failed" | tr '\n' ' ')
        echo "Running the failed $arch tests once more, one at a time: $first"
        status=0
        ctest --test-dir "$build" --output-on-failure --rerun-failed "$@" || status=$?
        [ $status -eq 0 ] && echo "FLAKY (failed, then passed alone, $arch): $first"
    fi
    # The persistent wineserver of the tree's prefix goes with the run.
    "$build/wine-run" --stop
    verdict=passed
    [ $status -eq 0 ] || { verdict=FAILED; result=1; }
    summary="$summary$arch: $verdict in $(( $(date +%s) - started )) s
"
done
printf '%s' "$summary"
exit $result
