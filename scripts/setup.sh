#!/usr/bin/env bash
# Installs the Debian packages that building, testing and recording the show
# need. Safe to run again: quiet, and no network use, when all is there.
set -euo pipefail
# The web build and its browser tests.
"$(dirname "$0")/setup_web.sh"

packages=(
    cmake ninja-build g++ clang libclang-rt-14-dev pkg-config
    libsdl2-dev libsdl2-mixer-dev libgl-dev libglu1-mesa-dev libegl1 libgles2 libgl1-mesa-dri
    libjpeg62-turbo-dev libpng-dev libmp3lame-dev libfreetype-dev fonts-dejavu-core
    libgtest-dev
    xvfb xdotool ffmpeg mpg123 sox desktop-file-utils
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
