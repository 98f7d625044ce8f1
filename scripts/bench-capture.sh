#!/usr/bin/env bash
# How much writing slows the capture: the same stretch of the object scene at
# 60 frames per second played alone, written as H.264, as PNG frames and as
# an archival video, in interleaved rounds. Each kind's fastest run is
# compared with the fastest run that only plays. HEIGHT draws larger
# pictures (--height) and FPS sets the frame rate (large pictures draw every
# frame before FROM too, so fewer frames a second keep the run short).
# Usage: bench-capture.sh [BUILD_DIR] [ROUNDS] [FROM] [TO] [HEIGHT] [FPS]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
rounds="${2:-3}"
from="${3:-25}"
to="${4:-33}"
height="${5:-480}"
fps="${6:-60}"
capture="$build/tessaline-capture"
data="$build/data"
[ -x "$capture" ] || { echo "bench-capture: no $capture (build first)" >&2; exit 1; }
[ -f "$data/bsp/qorldm1.bsp" ] || { echo "bench-capture: no show data in $data" >&2; exit 1; }

unset DISPLAY WAYLAND_DISPLAY
export SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

kinds=(alone h264 png archival)
declare -A best
# One run; prints the span's seconds from the capture's own summary line.
run() {
    local output=()
    case "$1" in
        h264) output=(--video "$work/show.mp4") ;;
        png) output=(--png "$work/frames") ;;
        archival) output=(--video "$work/show.mkv") ;;
    esac
    "$capture" --data "$data" --fps "$fps" --height "$height" --from "$from" --to "$to" \
        "${output[@]}" 2>&1 |
        tr '\r' '\n' | sed -n 's/^capture: span of [0-9]* frames in \([0-9.]*\) s.*/\1/p'
    rm -rf "$work/show.mp4" "$work/show.mkv" "$work/frames"
}

echo "bench-capture: $from s to $to s of show time at $fps fps, $height lines," \
    "$rounds interleaved rounds"
for round in $(seq "$rounds"); do
    line="round $round:"
    for kind in "${kinds[@]}"; do
        seconds="$(run "$kind")"
        [ -n "$seconds" ] || { echo "bench-capture: the $kind run failed" >&2; exit 1; }
        line+=" $kind ${seconds} s"
        if [ -z "${best[$kind]:-}" ] || awk -v a="$seconds" -v b="${best[$kind]}" 'BEGIN { exit !(a < b) }'; then
            best[$kind]="$seconds"
        fi
    done
    echo "$line"
done

printf '%-9s %9s %7s %6s\n' kind "fastest" ratio goal
for kind in "${kinds[@]}"; do
    case "$kind" in
        h264) goal=1.2 ;;
        png) goal=1.3 ;;
        *) goal=- ;;
    esac
    awk -v kind="$kind" -v s="${best[$kind]}" -v alone="${best[alone]}" -v goal="$goal" 'BEGIN {
        ratio = s / alone
        verdict = goal == "-" ? "" : (ratio <= goal ? "  met" : "  missed")
        printf "%-9s %8.3fs %6.2fx %6s%s\n", kind, s, ratio, goal, verdict
    }'
done
