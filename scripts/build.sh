#!/usr/bin/env bash
# Configures and builds one tree, quietly unless something fails.
# Usage: build.sh DIR [cmake options...]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="$1"
shift
mkdir -p "$dir"
if ! cmake -S "$root" -B "$dir" -G Ninja "$@" >"$dir/configure.log" 2>&1; then
    cat "$dir/configure.log" >&2
    exit 1
fi
if ! ninja -C "$dir" >"$dir/build.log" 2>&1; then
    grep -v '^\[' "$dir/build.log" >&2
    exit 1
fi
echo "build: $dir is up to date"
