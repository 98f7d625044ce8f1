#!/usr/bin/env bash
# Runs one fuzz target for a fixed time from its seed corpus, in a fresh work
# folder; fails on any crash, leak, timeout or sanitizer report.
# Usage: run_fuzz.sh TARGET SEEDS WORK SECONDS [libFuzzer options...]
set -euo pipefail
target="$1" seeds="$2" work="$3" seconds="$4"
shift 4
rm -rf "$work"
mkdir -p "$work/corpus"
export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
exec "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
    -print_final_stats=1 -artifact_prefix="$work/" "$@" "$work/corpus" "$seeds"
