#!/usr/bin/env bash
# Installs what is needed, builds the show and plays it from its data folder.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo

data="$root/build/data"
mkdir -p "$data"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "play: no display to show the demo on (neither DISPLAY nor WAYLAND_DISPLAY is set)." >&2
    echo "play: run this command from a desktop session." >&2
    exit 1
fi
cd "$data"
exec "$root/build/tessaline"
