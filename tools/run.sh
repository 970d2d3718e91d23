#!/usr/bin/env bash
# Builds the main job and runs the driver end to end over the stand-in kernel
# layer and the simulated board. Options go to the main job (--debug shows
# the driver's debug lines; --help lists the rest).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/tools/setup.sh" run "$root/build"
"$root/build/vorlan_run" "$@"
