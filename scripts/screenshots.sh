#!/usr/bin/env bash
# Pictures of the window's four pages and of a question box, taken under Xvfb without a
# database, or with --demo connected to the demo database (build/demo, made when missing),
# so that the overlap page shows its rows:
#   bash scripts/screenshots.sh [--demo] [FOLDER]   (default: screenshots-out/)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${MSP_BUILD_DIR:-$top/build}
demo=""
if [ "${1:-}" = --demo ]; then demo=1; shift; fi
out=${1:-screenshots-out}
mkdir -p "$out"
out=$(cd "$out" && pwd)

if ! command -v xvfb-run >/dev/null; then
  echo "xvfb-run is missing: install the Debian package xvfb (bash scripts/setup.sh)." >&2
  exit 1
fi
if [ -f "$build/CMakeCache.txt" ]; then
  cmake --build "$build" --target module-special
else
  MSP_BUILD_DIR=$build bash "$top/scripts/build.sh"
fi

racine=""
if [ -n "$demo" ]; then
  cmake --build "$build" --target testdb-generer
  MSP_TESTDB_GENERER="$build/testdb/testdb-generer" bash "$top/scripts/demo.sh" "$build/demo" >/dev/null
  # shellcheck source=/dev/null
  . "$build/demo/env.sh"
  racine="$build/demo/racine/Program"
fi

# The program reads and may create its configuration: keep that away from the real profile.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/Program" "$work/home" "$work/temp"

# TEMP: the program's temporary and log folder, which it creates at start.
HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share" TEMP="$work/temp" \
  MSP_SCREENSHOTS="$out" env ${demo:+MSP_SCREENSHOTS_BASE=1} \
  xvfb-run -a -s "-screen 0 1280x1024x24" "$build/module-special" --racine "${racine:-$work/Program}"
echo "Pictures in $out"
