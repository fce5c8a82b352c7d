#!/bin/sh
# Installs the Debian packages the build and the tests need, when any is missing. 32-bit wine
# (wine32:i386) runs the i686 programs under WOW64, as the shipped DLL runs in a 32-bit installer. CLI11 and
# nlohmann-json are header-only: syhost parses its command line and writes --json with them.
set -e
packages="g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine wine64 wine32:i386 googletest cmake ninja-build libcli11-dev nlohmann-json3-dev"
missing=""
for package in $packages; do
    dpkg -s "$package" >/dev/null 2>&1 || missing="$missing $package"
done
[ -z "$missing" ] && exit 0
echo "installing:$missing"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
fi
$SUDO apt-get update -q
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q $missing
