#!/bin/sh
# Installs the Debian packages the build and the tests need, when any is missing.
set -e
packages="g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine wine64 googletest cmake ninja-build"
missing=""
for package in $packages; do
    dpkg -s "$package" >/dev/null 2>&1 || missing="$missing $package"
done
[ -z "$missing" ] && exit 0
echo "installing:$missing"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
$SUDO apt-get update -q
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q $missing
