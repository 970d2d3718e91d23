#!/usr/bin/env bash
# The tests that start threads of their own, once more under ThreadSanitizer.
# GCC's sanitizer: its runtime is a shared library, so the driver's own
# allocation operators stay in force (clang's links its own in and clashes
# with them). The single-threaded tests would only be slower here, so this
# build's test binary holds only the test files that make a thread or use
# the real clock (CMakeLists.txt picks them); a new threaded test joins by
# itself.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$root/build-tsan"
"$root/tools/setup.sh" test "$build" -DVORLAN_TSAN=ON -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++

export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1"
"$build/vorlan_tests" --gtest_brief=1
