#!/usr/bin/env bash
# Installs what is needed, builds the show and plays it from its data folder;
# without a display it records the show to tessaline.mp4 instead.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo

data="$root/build/data"
mkdir -p "$data"
cd "$data"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    # No screen to play on: record the show, sound and all, to a video.
    video="$root/tessaline.mp4"
    echo "play: no display (neither DISPLAY nor WAYLAND_DISPLAY is set); recording the show instead."
    "$root/build/tessaline-capture" --video "$video"
    echo "play: the show is in $video"
    exit 0
fi
exec "$root/build/tessaline"
