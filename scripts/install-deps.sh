#!/usr/bin/env bash
# Installs everything Sweepfield's build, its tests and running it under Wine need.
# Idempotent: packages already present are not touched, and apt is not run at all
# when nothing is missing. Uses sudo only when not root.
set -euo pipefail

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    SUDO="sudo"
fi

# Debian package name -> a file it installs, to tell cheaply whether it is there.
declare -A probe=(
    [wine]=/usr/bin/wine
    [wine32:i386]=/usr/lib/wine/wine
    [wine64]=/usr/lib/wine/wine64
    [g++-mingw-w64-i686-posix]=/usr/bin/i686-w64-mingw32-g++-posix
    [gcc-mingw-w64-i686-posix]=/usr/bin/i686-w64-mingw32-gcc-posix
    [binutils-mingw-w64-i686]=/usr/bin/i686-w64-mingw32-windres
    [cmake]=/usr/bin/cmake
    [make]=/usr/bin/make
    [googletest]=/usr/src/googletest/CMakeLists.txt
    [libxxhash-dev]=/usr/include/xxhash.h
    [xvfb]=/usr/bin/Xvfb
    [xauth]=/usr/bin/xauth
    [xdotool]=/usr/bin/xdotool
    [x11-utils]=/usr/bin/xwininfo
    [imagemagick]=/usr/bin/import
    [fonts-wine]=/usr/share/wine/fonts/marlett.ttf
    [fonts-liberation]=/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf
    [file]=/usr/bin/file
    [python3]=/usr/bin/python3
)

missing=()
for pkg in "${!probe[@]}"; do
    [ -e "${probe[$pkg]}" ] || missing+=("$pkg")
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "install-deps: installing ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
