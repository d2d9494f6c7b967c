#!/usr/bin/env bash
# The test command: installs what is missing, builds everything and runs every test, then (as
# root) the package test, which installs and removes the Debian package.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/scripts/setup.sh"
bash "$top/scripts/build.sh"
build=${MSP_BUILD_DIR:-$top/build}
(cd "$build" && ctest --output-on-failure -j "$(nproc)")
if [ "$(id -u)" -eq 0 ]; then
  MSP_BUILD_DIR=$build bash "$top/scripts/test-package.sh"
else
  echo "Package test left out: it installs the package with dpkg, so it runs as root (sudo bash scripts/test-package.sh)."
fi
