#!/usr/bin/env bash
# A Firebird server of its own for a test that must stop or kill it (the shared loopback server
# of the other tests is never touched): its own root, security database, lock folder and port.
#
#   fbserver-prive.sh start DIR PORT   starts /usr/sbin/firebird on 127.0.0.1:PORT, pid in DIR
#   fbserver-prive.sh stop DIR         stops it (a server already gone is fine)
#
# SYSDBA gets the built-in password ($MSP_MOT_DE_PASSE, default ZeltoDev123).
set -euo pipefail

usage() { echo "usage: $0 start DIR PORT | stop DIR" >&2; exit 2; }
[ $# -ge 2 ] || usage
action=$1
dir=$2
server=${MSP_FIREBIRD_SERVER:-/usr/sbin/firebird}
password=${MSP_MOT_DE_PASSE:-ZeltoDev123}

case $action in
start)
  [ $# -eq 3 ] || usage
  port=$3
  mkdir -p "$dir"
  dir=$(cd "$dir" && pwd)
  root="$dir/root"
  system=""
  for d in /usr/lib/*/firebird/3.0 /usr/lib/firebird/3.0; do
    if [ -f "$d/firebird.msg" ] && [ -d "$d/plugins" ]; then system=$d; break; fi
  done
  [ -n "$system" ] || { echo "$0: no Firebird 3 installation found" >&2; exit 1; }
  security=/var/lib/firebird/3.0/system/security3.fdb
  [ -f "$security" ] || { echo "$0: no $security (package firebird3.0-server)" >&2; exit 1; }
  mkdir -p "$root/intl" "$dir/lock"
  ln -sfn "$system/firebird.msg" "$root/firebird.msg"
  ln -sfn "$system/plugins" "$root/plugins"
  cp -L "$system/intl/"* "$root/intl/"
  [ -f "$system/plugins.conf" ] && cp -L "$system/plugins.conf" "$root/"
  cp "$security" "$root/security3.fdb"
  cat >"$root/firebird.conf" <<CONF
RemoteServicePort = $port
RemoteBindAddress = 127.0.0.1
SecurityDatabase = $root/security3.fdb
UdfAccess = None
CONF
  # The embedded engine checks no password: it sets the built-in one in the private copy.
  printf "CREATE OR ALTER USER SYSDBA PASSWORD '%s';\nCOMMIT;\n" "${password//\'/\'\'}" >"$dir/motdepasse.sql"
  FIREBIRD="$root" FIREBIRD_LOCK="$dir/lock" isql-fb -q -bail -user SYSDBA -i "$dir/motdepasse.sql" "$root/security3.fdb" \
    >"$dir/isql.log" 2>&1 || { echo "$0: cannot set the password:" >&2; cat "$dir/isql.log" >&2; exit 1; }
  FIREBIRD="$root" FIREBIRD_LOCK="$dir/lock" setsid "$server" >"$dir/server.log" 2>&1 </dev/null &
  echo $! >"$dir/firebird.pid"
  for _ in $(seq 1 100); do
    if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then exit 0; fi
    sleep 0.1
  done
  echo "$0: the server did not listen on 127.0.0.1:$port:" >&2
  cat "$dir/server.log" >&2
  exit 1
  ;;
stop)
  pidfile="$dir/firebird.pid"
  [ -f "$pidfile" ] || exit 0
  pid=$(cat "$pidfile")
  kill "$pid" 2>/dev/null || true
  for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -9 "$pid" 2>/dev/null || true
  rm -f "$pidfile"
  ;;
*) usage ;;
esac
