#!/usr/bin/env bash
# The test command: installs what is missing, builds everything and runs every test.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/scripts/setup.sh"
bash "$top/scripts/build.sh"
build=${MSP_BUILD_DIR:-$top/build}
cd "$build"
ctest --output-on-failure -j "$(nproc)"
