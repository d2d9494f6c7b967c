#!/usr/bin/env bash
# Pictures of the window's four pages and of a question box, taken under Xvfb:
#   bash scripts/screenshots.sh [--demo] [FOLDER]   (default: screenshots-out/)
# Without --demo, without a database; with --demo, on the demo database (scripts/demo.sh, in
# build/demo/, made when missing), connected as at start.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${MSP_BUILD_DIR:-$top/build}
demo=0
if [ "${1:-}" = --demo ]; then demo=1; shift; fi
out=${1:-screenshots-out}
mkdir -p "$out"
out=$(cd "$out" && pwd)

if ! command -v xvfb-run >/dev/null; then
  echo "xvfb-run is missing: install the Debian package xvfb (bash scripts/setup.sh)." >&2
  exit 1
fi
if [ -f "$build/CMakeCache.txt" ]; then
  cmake --build "$build" --target captures $( ((demo)) && echo testdb-generer)
else
  MSP_BUILD_DIR=$build bash "$top/scripts/build.sh"
fi

# The program reads and may create its configuration: keep that away from the real profile.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/Program" "$work/home" "$work/temp"
racine="$work/Program"
base=()
if ((demo)); then
  MSP_TESTDB_GENERER="$build/testdb/testdb-generer" bash "$top/scripts/demo.sh" "$build/demo" >/dev/null
  # shellcheck source=/dev/null
  . "$build/demo/env.sh"
  racine="$build/demo/racine/Program"
  base=(--base)
fi

# The pictures come from tools/captures, which opens the program's window as it starts
# and saves it page by page. TEMP: the program's temporary and log folder, which it creates at
# start. A box that the start shows (a connection failure) would wait for a click that never
# comes: the timeout ends it.
rc=0
env HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share" TEMP="$work/temp" \
  xvfb-run -a -s "-screen 0 1280x1024x24" timeout "${MSP_SCREENSHOTS_TIMEOUT:-120}" \
  "$build/tools/captures" "$out" --racine "$racine" "${base[@]}" || rc=$?
if [ "$rc" -ne 0 ]; then
  case $rc in
    2) echo "No connection to the demo database: run bash scripts/run.sh once to see the message." >&2 ;;
    124) echo "The program did not finish in time (a box waiting at start?): run bash scripts/run.sh to see it." >&2 ;;
  esac
  exit "$rc"
fi
echo "Pictures in $out"
