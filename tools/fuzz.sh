#!/usr/bin/env bash
# Builds the request fuzzer with clang (address and undefined-behaviour
# sanitizers) and runs it from the checked-in seeds for a bounded time; any
# crash, leak or sanitizer report fails. Usage: tools/fuzz.sh [seconds]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
seconds="${1:-60}"
# The fuzzer lives in the sanitizer build (tools/test.sh --sanitize), which
# CI has built by the time it gets here.
build="$root/build-sanitize"
"$root/tools/setup.sh" sanitize "$build"
# New inputs go to a scratch directory; the seeds stay as checked in.
corpus="$build/requestCorpus"
mkdir -p "$corpus"
export ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
"$build/vorlan_request_fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 -print_final_stats=1 \
  "$corpus" "$root/tools/fuzz/requestCorpus"
