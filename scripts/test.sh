#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test headless: once in the
# normal build and once more with AddressSanitizer and
# UndefinedBehaviorSanitizer; then compiles Release builds with GCC and clang.
# Every build here treats compiler warnings as errors.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"

# Tests never touch the user's display or sound card.
unset DISPLAY WAYLAND_DISPLAY
export SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy

echo "== normal build"
"$root/scripts/build.sh" "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTESSALINE_WARNINGS_AS_ERRORS=ON
(cd "$root/build" && ctest -j2 --output-on-failure --timeout 600)

echo "== sanitizer build"
"$root/scripts/build.sh" "$root/build-sanitize" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTESSALINE_SANITIZE=ON -DTESSALINE_WARNINGS_AS_ERRORS=ON
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1
(cd "$root/build-sanitize" && ctest -j2 --output-on-failure --timeout 900)

# The whole show once through the capture at a low frame rate in the
# sanitizer build, so that a memory or undefined-behaviour fault anywhere in
# the show fails here. Frames are played, not written.
sanitizeData="$root/build-sanitize/data"
if [ -f "$sanitizeData/bsp/qorldm1.bsp" ]; then
    echo "== the whole show through the capture (sanitizer build)"
    "$root/build-sanitize/tessaline-capture" --quiet --fps 5 --data "$sanitizeData"
else
    echo "== the whole show through the capture: skipped, $sanitizeData has no show data yet"
fi

echo "== fuzz build"
# Each reader's libFuzzer target runs for a fixed time as one test; any crash,
# leak, timeout or sanitizer report fails it.
CC=clang CXX=clang++ "$root/scripts/build.sh" "$root/build-fuzz" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTESSALINE_FUZZ=ON -DTESSALINE_TESTS=OFF -DTESSALINE_WARNINGS_AS_ERRORS=ON
(cd "$root/build-fuzz" && ctest -j2 --output-on-failure --timeout 900)

# What a user's first build is: Release (-O3), on each compiler. Compiled
# (and the data generated) only; the tests above already ran.
echo "== Release builds, GCC and clang (compile only)"
CC=gcc CXX=g++ "$root/scripts/build.sh" "$root/build-release-gcc" -DCMAKE_BUILD_TYPE=Release \
    -DTESSALINE_WARNINGS_AS_ERRORS=ON
CC=clang CXX=clang++ "$root/scripts/build.sh" "$root/build-release-clang" \
    -DCMAKE_BUILD_TYPE=Release -DTESSALINE_WARNINGS_AS_ERRORS=ON

echo "== web build in headless Chromium and in Firefox (Xvfb)"
"$root/scripts/web_test.sh"
