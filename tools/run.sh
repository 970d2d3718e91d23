#!/usr/bin/env bash
# Builds the driver and runs it end to end over the stand-in kernel layer and
# the simulated board.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/tools/setup.sh" "$root/build"
"$root/build/vorlan_run"
