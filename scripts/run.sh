#!/usr/bin/env bash
# The run command: installs what is missing, builds, prepares the demo database and its
# configuration root when missing, and starts the tool on them.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/scripts/setup.sh"
bash "$top/scripts/build.sh"
build=${MSP_BUILD_DIR:-$top/build}
exe="$build/module-special"
demo="$build/demo"
MSP_TESTDB_GENERER="$build/testdb/testdb-generer" bash "$top/scripts/demo.sh" "$demo" >/dev/null
# shellcheck source=/dev/null
. "$demo/env.sh"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ "${QT_QPA_PLATFORM:-}" != offscreen ]; then
  echo "No display here: the window needs one. Start it under a virtual display, for example:" >&2
  echo "  xvfb-run -a -s '-screen 0 1280x1024x24' bash scripts/run.sh" >&2
  exit 1
fi
exec "$exe" --racine "$demo/racine/Program" "$@"
