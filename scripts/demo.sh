#!/usr/bin/env bash
# Prepares a demo installation in DIR, each part only when missing:
#   DIR/demo.fdb                         club database (300 clients) for the embedded engine
#   DIR/racine/Program/zeltoQ58.conf     configuration root: embedded access, centre 1001
#   DIR/firebird/                        private Firebird root whose firebird.conf says
#                                        ServerMode = SuperClassic, so that the tool and isql
#                                        can open the demo database at the same time
#   DIR/env.sh                           FIREBIRD and FIREBIRD_LOCK for both of them
#
#   demo.sh DIR [CLIENTS=300]
#
# Then:  . DIR/env.sh && module-special --racine DIR/racine/Program
#        . DIR/env.sh && isql-fb DIR/demo.fdb
set -euo pipefail

[ $# -ge 1 ] && [ $# -le 2 ] || { echo "usage: $0 DIR [CLIENTS=300]" >&2; exit 2; }
top=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$1"
dir=$(cd "$1" && pwd)
clients=${2:-300}

# --- private Firebird root ------------------------------------------------------------------
fbroot="$dir/firebird"
if [ ! -f "$fbroot/firebird.conf" ]; then
  system=""
  for d in /usr/lib/*/firebird/3.0 /usr/lib/firebird/3.0 /opt/firebird; do
    if [ -f "$d/firebird.msg" ] && [ -d "$d/plugins" ]; then system=$d; break; fi
  done
  [ -n "$system" ] || { echo "$0: no Firebird 3 installation found (package firebird3.0-server-core)" >&2; exit 1; }
  mkdir -p "$fbroot/intl"
  ln -sfn "$system/firebird.msg" "$fbroot/firebird.msg"
  ln -sfn "$system/plugins" "$fbroot/plugins"
  # The engine registers the character-set module under its resolved path and looks it up
  # under root/intl: through a symbolic link the two differ and no character set is found.
  cp -L "$system/intl/"* "$fbroot/intl/"
  cat >"$fbroot/firebird.conf.tmp" <<'EOF'
# Demo engine: SuperClassic lets several processes open the same database file.
ServerMode = SuperClassic
UdfAccess = None
EOF
  mv -f "$fbroot/firebird.conf.tmp" "$fbroot/firebird.conf"
fi

cat >"$dir/env.sh" <<EOF
# Source this file before starting the tool or isql-fb on the demo database.
export FIREBIRD='$fbroot'
export FIREBIRD_LOCK='$dir/lock'
EOF
mkdir -p "$dir/lock"
# shellcheck source=/dev/null
. "$dir/env.sh"

# --- database ---------------------------------------------------------------------------------
if [ ! -f "$dir/demo.fdb" ]; then
  bash "$top/testdb/make-testdb.sh" "$dir/demo.fdb" "$clients" 42
fi

# --- configuration root ---------------------------------------------------------------------
conf="$dir/racine/Program/zeltoQ58.conf"
if [ ! -f "$conf" ]; then
  mkdir -p "$dir/racine/Program" "$dir/temp"
  cat >"$conf.tmp" <<EOF
[Configuration]
Serveur=0

[Serveur0]
IPServeur=
PortDonnee=3050
Temporaire=$dir/temp/
Racine=$dir/racine/
Dernier=
Centre=1001
Alias=$dir/demo.fdb
Nom=DEMO
Token=
NiveauDebug=0
EOF
  mv -f "$conf.tmp" "$conf"
fi

echo "demo ready in $dir:"
echo "  . $dir/env.sh && module-special --racine $dir/racine/Program"
echo "  . $dir/env.sh && isql-fb $dir/demo.fdb"
