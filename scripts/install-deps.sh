#!/bin/sh
# Installs the Debian packages that the build, the data generator and the tests need,
# when any is missing. Does nothing when all are present. With --with-video also ffmpeg,
# which --video and its test need (the test is skipped without it). libosmesa6-dev is for one
# benchmark alone (bench/peer_osmesa, the renderer against Mesa's llvmpipe); the program and the
# tests do not need it.
set -e

PACKAGES="
cmake g++ make pkg-config
libsdl2-dev libjpeg62-turbo-dev libmpg123-dev libpng-dev libx11-dev
lib3ds-dev libmp3lame-dev libfreetype-dev fonts-dejavu-core
googletest libgtest-dev libbenchmark-dev libosmesa6-dev
xvfb xdotool x11-utils x11-apps openbox
clang libclang-rt-14-dev clang-format
"
[ "${1:-}" = "--with-video" ] && PACKAGES="$PACKAGES ffmpeg"

missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed"; then
        missing="$missing $p"
    fi
done

[ -z "$missing" ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
echo "installing:$missing"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq $missing
