#!/usr/bin/env bash
# Builds the request fuzzer with clang (address and undefined-behaviour
# sanitizers) and runs it from the checked-in seeds for a bounded time; any
# crash, leak or sanitizer report fails. Usage: tools/fuzz.sh [seconds]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
seconds="${1:-60}"
build="$root/build-fuzz"
# Warnings are the main builds' gate; this build is for faults at run time.
"$root/tools/setup.sh" sanitize "$build" -DVORLAN_FUZZ=ON -DVORLAN_TESTS=OFF -DVORLAN_BENCHMARKS=OFF -DVORLAN_WERROR=OFF \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
# New inputs go to a scratch directory; the seeds stay as checked in.
corpus="$build/requestCorpus"
mkdir -p "$corpus"
export ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
"$build/vorlan_request_fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 -print_final_stats=1 \
  "$corpus" "$root/tools/fuzz/requestCorpus"
