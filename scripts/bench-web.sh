#!/usr/bin/env bash
# Measures the show's web site in headless Chromium: its size, the time from
# opening the address to "click to start", and how closely the show's clock
# keeps to the music through the whole show with real playback
# (tests/web/web_bench.py says what is printed). Takes about three minutes.
#
#   scripts/bench-web.sh [RUNS]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/web.sh" --build
python3 "$root/tests/web/web_bench.py" "$root/build-web/site" "${1:-3}"
