#!/usr/bin/env bash
# Installs what the build needs on Debian 12 (only what is missing) and builds into $BUILD_DIR.
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(cmake ninja-build g++ dpkg-dev file qt6-base-dev qt6-base-dev-tools
          qt6-serialport-dev libgl-dev liblua5.4-dev pkg-config
          fonts-liberation2
          ser2net)
missing=()
for p in "${PACKAGES[@]}" ${EXTRA_PACKAGES:-}; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO=sudo
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi

BUILD_DIR=${BUILD_DIR:-build}
BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE="$BUILD_TYPE" ${CMAKE_ARGS:-} >/dev/null
cmake --build "$BUILD_DIR" --parallel
