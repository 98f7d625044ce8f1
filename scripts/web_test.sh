#!/usr/bin/env bash
# Builds the show's web site and tests it in headless Chromium and in Firefox
# (on its own Xvfb display) against the native build's capture
# (tests/web/web_test.py says what is tested). Arguments go to the test,
# e.g. --engine firefox for one engine only. The test runs on Debian's
# Python, whose modules (python3-websockets) scripts/setup_web.sh installs.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/web.sh" --build
/usr/bin/python3 "$root/tests/web/web_test.py" "$root/build-web/site" \
    "$root/build/tessaline-capture" "$root/build/data" "$@"
