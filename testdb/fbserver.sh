#!/usr/bin/env bash
# Starts or stops a Firebird server on 127.0.0.1:3050 for the tests.
#
#   fbserver.sh start DIR   start /usr/sbin/firebird in the background (pid in DIR), or reuse
#                           a server that already listens and accepts the built-in password
#   fbserver.sh stop DIR    stop the server that `start` started (a reused one is left alone)
#
# The SYSDBA password becomes the built-in one: $MSP_MOT_DE_PASSE, default ZeltoDev123 (the
# default of the CMake option of the same name). DIR/probe.fdb serves to try the password.
# A server already listening that refuses it gets its SYSDBA password changed to the built-in
# one (through the install's /etc/firebird/3.0/SYSDBA.password): run the tests on a machine
# whose Firebird server serves nothing else.
set -euo pipefail

usage() { echo "usage: $0 start|stop DIR" >&2; exit 2; }
[ $# -eq 2 ] || usage
action=$1
dir=$2
host=127.0.0.1
port=3050
password=${MSP_MOT_DE_PASSE:-ZeltoDev123}
server=${MSP_FIREBIRD_SERVER:-/usr/sbin/firebird}
pidfile="$dir/firebird.pid"
probe="$dir/probe.fdb"

listening() { (exec 3<>"/dev/tcp/$host/$port") 2>/dev/null; }

# The password file written at install: ISC_PASSWORD=...
install_password() {
  local f=/etc/firebird/3.0/SYSDBA.password
  [ -r "$f" ] || return 1
  sed -n 's/^ISC_PASSWORD=//p' "$f" | tr -d '"' | head -n 1
}

# Runs SQL over the network as SYSDBA with the given password.
remote_sql() {
  local pw=$1 sql=$2
  printf '%s\n' "$sql" | isql-fb -q -bail -user SYSDBA -password "$pw" "$host/$port:$probe" >"$dir/isql.log" 2>&1
}

accepts_builtin() { remote_sql "$password" "SELECT 1 FROM RDB\$DATABASE;"; }

make_probe() {
  [ -f "$probe" ] && return 0
  printf "CREATE DATABASE '%s' USER 'SYSDBA';\n" "$probe" | isql-fb -q -bail >"$dir/isql.log" 2>&1
}

# Through the embedded engine, which checks no password: only while no server holds the
# security database.
set_password_embedded() {
  printf "CREATE OR ALTER USER SYSDBA PASSWORD '%s';\nCOMMIT;\n" "${password//\'/\'\'}" \
    | isql-fb -q -bail -user SYSDBA "$probe" >"$dir/isql.log" 2>&1
}

set_password_remote() {
  local old
  old=$(install_password) || return 1
  [ -n "$old" ] || return 1
  remote_sql "$old" "ALTER USER SYSDBA PASSWORD '${password//\'/\'\'}'; COMMIT;"
}

start() {
  mkdir -p "$dir"
  dir=$(cd "$dir" && pwd)
  pidfile="$dir/firebird.pid"
  probe="$dir/probe.fdb"
  make_probe || { echo "$0: cannot create $probe:" >&2; cat "$dir/isql.log" >&2; exit 1; }

  # Started by an earlier call for this folder and still running: keep it, and keep its pid
  # so that `stop` ends it.
  if [ -f "$pidfile" ] && kill -0 "$(cat "$pidfile")" 2>/dev/null && listening && accepts_builtin; then
    echo "Firebird server on $host:$port (pid $(cat "$pidfile"), already started)"
    return 0
  fi
  if listening; then
    if accepts_builtin || { set_password_remote && accepts_builtin; }; then
      rm -f "$pidfile"
      echo "reusing the Firebird server already listening on $host:$port"
      return 0
    fi
    echo "$0: a server listens on $host:$port but refuses the built-in SYSDBA password" >&2
    cat "$dir/isql.log" >&2
    exit 1
  fi

  set_password_embedded || { echo "$0: cannot set the SYSDBA password:" >&2; cat "$dir/isql.log" >&2; exit 1; }
  [ -x "$server" ] || { echo "$0: $server not found (package firebird3.0-server)" >&2; exit 1; }
  # Detached from the caller's output, or CTest would wait for the server to end.
  setsid "$server" >"$dir/firebird.log" 2>&1 </dev/null &
  echo $! >"$pidfile"
  local pid
  pid=$(cat "$pidfile")
  for _ in $(seq 1 300); do
    if listening && accepts_builtin; then
      if ! kill -0 "$pid" 2>/dev/null; then
        rm -f "$pidfile" # another run's server won the port: use it, leave it running
      fi
      echo "Firebird server on $host:$port (pid $pid)"
      return 0
    fi
    if ! kill -0 "$pid" 2>/dev/null && ! listening; then
      rm -f "$pidfile"
      echo "$0: the server ended at start:" >&2
      cat "$dir/firebird.log" >&2
      exit 1
    fi
    sleep 0.1
  done
  echo "$0: the server does not accept connections on $host:$port after 30 s" >&2
  cat "$dir/isql.log" "$dir/firebird.log" >&2 || true
  stop
  exit 1
}

stop() {
  [ -f "$pidfile" ] || { echo "no server started by $0 in $dir"; return 0; }
  local pid
  pid=$(cat "$pidfile")
  rm -f "$pidfile"
  kill -0 "$pid" 2>/dev/null || return 0
  # A pid left by an earlier run may belong to another process by now.
  tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | grep -q "$(basename "$server")" || return 0
  kill "$pid" 2>/dev/null || true
  for _ in $(seq 1 100); do
    kill -0 "$pid" 2>/dev/null || { echo "Firebird server (pid $pid) stopped"; return 0; }
    sleep 0.1
  done
  kill -9 "$pid" 2>/dev/null || true
  echo "Firebird server (pid $pid) killed"
}

case "$action" in
  start) start ;;
  stop) stop ;;
  *) usage ;;
esac
