#!/usr/bin/env bash
# Installs what the build uses when it is missing (tools/packages.txt), then
# configures and builds out of tree: for `run` only the main job and what it
# needs, for `test` and `sanitize` everything.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
usage="usage: tools/setup.sh run|test|sanitize BUILD_DIR [cmake options...]"
if [[ $# -lt 2 ]]; then
  echo "$usage" >&2
  exit 2
fi
purpose="$1"
build="$2"
shift 2
case "$purpose" in
  run) rank=1 ;;
  test) rank=2 ;;
  sanitize) rank=3 ;;
  *) echo "$usage" >&2; exit 2 ;;
esac

# Packages missing for everything up to the given rank.
missing_up_to() {
  local wanted_rank="$1" package role probe name package_rank
  while read -r package role probe name; do
    case "$role" in run) package_rank=1 ;; test) package_rank=2 ;; sanitize) package_rank=3 ;; *) continue ;; esac
    [[ $package_rank -le $wanted_rank ]] || continue
    case "$probe" in
      command) command -v "$name" >/dev/null 2>&1 && continue ;;
      installed)
        [[ "$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)" == "install ok installed" ]] && continue ;;
    esac
    echo "$package"
  done < <(grep -Ev '^[[:space:]]*(#|$)' "$root/tools/packages.txt")
}

mapfile -t need < <(missing_up_to "$rank")
if [[ ${#need[@]} -gt 0 ]]; then
  as_root=()
  if [[ "$(id -u)" -ne 0 ]]; then
    if ! command -v sudo >/dev/null 2>&1; then
      echo "missing packages: ${need[*]}; you are not root and there is no sudo: install them as root" >&2
      exit 1
    fi
    as_root=(sudo)
  fi
  if ! command -v apt-get >/dev/null 2>&1; then
    echo "missing packages: ${need[*]} (Debian names); this machine has no apt-get: install them by hand" >&2
    exit 1
  fi
  echo "installing ${need[*]}${as_root:+ through sudo (not root)}"
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${need[@]}" >/dev/null
fi

# The sanitizer build is one clang build with the address and
# undefined-behaviour sanitizers and the request fuzzer: the sanitized tests
# and the fuzzer share its compiled driver.
purpose_options=()
[[ $purpose != sanitize ]] || purpose_options=(-DVORLAN_FUZZ=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++)

# A build folder made with another compiler starts afresh: CMake itself would
# start it afresh too, but dropping the options given here.
for option in "${purpose_options[@]}" "$@"; do
  [[ "$option" == -DCMAKE_CXX_COMPILER=* ]] || continue
  wanted="${option#*=}"
  cached="$(sed -n 's/^CMAKE_CXX_COMPILER:[A-Z]*=//p' "$build/CMakeCache.txt" 2>/dev/null || true)"
  if [[ -n "$cached" && "$(command -v "$cached" || true)" != "$(command -v "$wanted" || true)" ]]; then
    echo "$build was configured with $cached: configuring it afresh with $wanted"
    rm -rf "$build/CMakeCache.txt" "$build/CMakeFiles"
  fi
done

options=()
if [[ $purpose == run ]]; then
  # The main job does not need the tests; configure them only where their
  # packages are already there, so a first run installs nothing for them.
  [[ -z "$(missing_up_to 2)" ]] || options+=(-DVORLAN_TESTS=OFF)
else
  options+=(-DVORLAN_TESTS=ON)
fi
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${purpose_options[@]}" "${options[@]}" "$@" >/dev/null

if [[ $purpose == run ]]; then
  # Quietly: the main job's own output is what a run is for. The build's
  # output stays in the log, and its end is shown when the build fails.
  log="$build/run-build.log"
  if ! cmake --build "$build" --target vorlan_run -j"$(nproc)" >"$log" 2>&1; then
    tail -n 40 "$log" >&2
    echo "building the main job failed; the whole output is in $log" >&2
    exit 1
  fi
else
  cmake --build "$build" -j"$(nproc)"
fi
