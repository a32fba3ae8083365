#!/usr/bin/env bash
# Sets up the machine, builds everything and runs the whole test suite under a virtual X server.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh" "$root/build"
cd "$root/build"
xvfb-run -a ctest --output-on-failure -j"$(nproc)" "$@"
