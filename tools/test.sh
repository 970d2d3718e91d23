#!/usr/bin/env bash
# Builds and runs every test. With --sanitize (first), in a separate build
# with the address and undefined-behaviour sanitizers. Any other arguments go
# to CTest: `tools/test.sh -L regmaps`, `tools/test.sh -R tests.storage`.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
if [ "${1:-}" = "--sanitize" ]; then
  shift
  build="$root/build-sanitize"
  # The sanitizer build is also the clang build (the plain one uses GCC)
  # and holds the request fuzzer (tools/fuzz.sh runs it).
  "$root/tools/setup.sh" sanitize "$build"
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
else
  build="$root/build"
  "$root/tools/setup.sh" test "$build"
fi
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" "$@"
