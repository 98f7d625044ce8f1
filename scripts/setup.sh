#!/usr/bin/env bash
# Installs the Debian packages that building, testing and recording the show
# need. Safe to run again: quiet, and no network use, when all is there.
set -euo pipefail
# The web build's own packages are scripts/setup_web.sh's (run by scripts/web.sh).
source "$(dirname "$0")/apt_packages.sh"

packages=(
    cmake ninja-build g++ clang libclang-rt-14-dev pkg-config
    libsdl2-dev libsdl2-mixer-dev libgl-dev libglu1-mesa-dev libegl1 libgles2 libgl1-mesa-dri
    libjpeg62-turbo-dev libpng-dev libmp3lame-dev libfreetype-dev fonts-dejavu-core
    libgtest-dev
    xvfb xdotool ffmpeg mpg123 sox desktop-file-utils
    dpkg-dev file lintian
)

InstallMissingPackages "${packages[@]}"
