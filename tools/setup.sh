#!/usr/bin/env bash
# Installs what the build needs when it is missing, then configures and
# builds out of tree. Usage: tools/setup.sh BUILD_DIR [cmake options...]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$1"; shift

need=()
command -v cmake >/dev/null || need+=(cmake)
command -v g++ >/dev/null || need+=(g++)
command -v python3 >/dev/null || need+=(python3)
[ -f /usr/include/lz4.h ] || need+=(liblz4-dev)
[ -d /usr/include/gtest ] || need+=(libgtest-dev)
[ -d /usr/include/gmock ] || need+=(libgmock-dev)
[ -d /usr/include/benchmark ] || need+=(libbenchmark-dev)
[ -f /usr/include/zlib.h ] || need+=(zlib1g-dev)
command -v nm >/dev/null || need+=(binutils)
if [ ${#need[@]} -gt 0 ]; then
  echo "installing: ${need[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq "${need[@]}"
fi

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"
