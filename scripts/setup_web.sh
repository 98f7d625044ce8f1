#!/usr/bin/env bash
# Installs what the web build and its browser tests need: Emscripten, the
# acorn module its JavaScript optimizer loads, Chromium, Firefox with the X
# server it draws WebGL on (Xvfb) and the WebSocket client that drives it
# (python3-websockets), and a deb-src entry
# so that scripts/web.sh can fetch the libjpeg-turbo source the native build
# links. Quiet, and no network use, when all is there.
set -euo pipefail
source "$(dirname "$0")/apt_packages.sh"

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"

# The source entries mirror the machine's own binary entries, so the sources
# come from wherever its packages do.
if ! grep -rqs '^Types:.*deb-src\|^deb-src' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
        echo "setup: adding deb-src entries beside /etc/apt/sources.list.d/debian.sources"
        sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources |
            $sudo tee /etc/apt/sources.list.d/tessaline-src.sources >/dev/null
    else
        echo "setup: adding deb-src entries beside /etc/apt/sources.list"
        grep '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' |
            $sudo tee /etc/apt/sources.list.d/tessaline-src.list >/dev/null
    fi
    $sudo apt-get update -qq
fi

packages=(emscripten node-acorn chromium firefox-esr xvfb python3 python3-websockets dpkg-dev)
InstallMissingPackages "${packages[@]}"
