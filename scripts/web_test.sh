#!/usr/bin/env bash
# Builds the show's web site and tests it in headless Chromium against the
# native build's capture (tests/web/web_test.py says what is tested).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/web.sh" --build
python3 "$root/tests/web/web_test.py" "$root/build-web/site" "$root/build/tessaline-capture" \
    "$root/build/data"
