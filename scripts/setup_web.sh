#!/usr/bin/env bash
# Installs what the web build and its browser tests need: Emscripten, the
# acorn module its JavaScript optimizer loads, Chromium, and a deb-src entry
# so that scripts/web.sh can fetch the libjpeg-turbo source the native build
# links. Quiet, and no network use, when all is there.
set -euo pipefail

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"

sources=/etc/apt/sources.list.d/tessaline-src.sources
updated=0
if ! grep -rqs '^Types:.*deb-src\|^deb-src' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    echo "setup: adding a deb-src entry ($sources)"
    $sudo tee "$sources" >/dev/null <<'SOURCES'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
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
