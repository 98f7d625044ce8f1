#!/usr/bin/env bash
# Installs what the web build and its browser tests need: Emscripten, the
# acorn module its JavaScript optimizer loads, Chromium, and a deb-src entry
# so that scripts/web.sh can fetch the libjpeg-turbo source the native build
# links. Quiet, and no network use, when all is there.
set -euo pipefail

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"

# The source entries mirror the machine's own binary entries, so the sources
# come from wherever its packages do.
updated=0
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
    updated=1
fi

packages=(emscripten node-acorn chromium dpkg-dev python3)
missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}"
[ "$updated" = 1 ] || $sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
