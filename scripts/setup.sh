#!/usr/bin/env bash
# Installs what building, running and testing need on Debian 12 (as root, or through sudo).
# dpkg-dev and file: CPack's dependency computation; desktop-file-utils: the package test.
set -euo pipefail
packages=(
  build-essential cmake ninja-build
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev
  firebird-dev firebird3.0-server firebird3.0-server-core firebird3.0-utils
  xvfb xauth x11-utils fonts-crosextra-carlito fonts-wine
  dpkg-dev file desktop-file-utils
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
