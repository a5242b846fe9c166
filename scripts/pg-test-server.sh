#!/usr/bin/env bash
# A throw-away PostgreSQL server for the tests.
#
#   eval "$(scripts/pg-test-server.sh start)"   # prints export lines on success
#   scripts/pg-test-server.sh stop "$ZDB_PG_DIR"
#
# start: initdb in a new temporary folder, listen on 127.0.0.1 only, on a free
# port, trust authentication, no durability (fsync off). PostgreSQL refuses to
# run as root, so as root the server runs as the `postgres` user the package
# creates. On success it prints ZDB_PG_HOST, ZDB_PG_PORT, ZDB_PG_USER,
# ZDB_PG_DBNAME and ZDB_PG_DIR as export lines; on failure it prints
# "PostgreSQL test server not available: <reason>" to stderr, cleans up and
# exits 1.
# stop: stops the server of that folder and removes the folder.
# halt DIR: stops the server at once (as a crash would), keeping its folder;
# resume DIR: starts it again on the same port (the fault-injection tests).
set -euo pipefail

PG_USER=zdbtest
PG_DBNAME=postgres

fail() {
  echo "PostgreSQL test server not available: $*" >&2
  exit 1
}

find_bindir() {
  local dir best=""
  # Highest installed major version.
  for dir in /usr/lib/postgresql/*/bin; do
    [[ -x "$dir/pg_ctl" && -x "$dir/initdb" ]] && best=$dir
  done
  if [[ -z "$best" ]] && command -v pg_ctl >/dev/null 2>&1; then
    best=$(dirname "$(command -v pg_ctl)")
  fi
  echo "$best"
}

# Runs a command as the server's owner.
as_owner() {
  if [[ $(id -u) -eq 0 ]]; then
    runuser -u postgres -- "$@"
  else
    "$@"
  fi
}

port_in_use() {
  # A successful connect means something listens there.
  (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

start() {
  local bindir dir port tries
  bindir=$(find_bindir)
  [[ -n "$bindir" ]] || fail "no PostgreSQL server binaries under /usr/lib/postgresql/*/bin (run scripts/setup.sh)"

  if [[ $(id -u) -eq 0 ]]; then
    getent passwd postgres >/dev/null || fail "running as root and there is no 'postgres' user to run the server"
    dir=$(mktemp -d /tmp/zdb-pg.XXXXXX)
    chown postgres: "$dir"
  else
    dir=$(mktemp -d "${TMPDIR:-/tmp}/zdb-pg.XXXXXX")
  fi
  trap 'rm -rf "$dir"' ERR

  if ! as_owner "$bindir/initdb" -D "$dir/data" -U "$PG_USER" -A trust -E UTF8 --no-locale \
       --no-sync >"$dir/initdb.log" 2>&1; then
    local log; log=$(tail -n 5 "$dir/initdb.log" 2>/dev/null || true)
    rm -rf "$dir"
    fail "initdb failed: $log"
  fi

  for tries in 1 2 3 4 5 6 7 8; do
    port=$((20000 + RANDOM % 20000))
    port_in_use "$port" && continue
    local options="-c listen_addresses=127.0.0.1 -p $port -k $dir -c fsync=off -c synchronous_commit=off -c full_page_writes=off -c max_connections=100"
    if as_owner "$bindir/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 30 -o "$options" \
         start >/dev/null 2>&1; then
      echo "$options" >"$dir/options"
      cat <<EOT
export ZDB_PG_HOST=127.0.0.1
export ZDB_PG_PORT=$port
export ZDB_PG_USER=$PG_USER
export ZDB_PG_DBNAME=$PG_DBNAME
export ZDB_PG_DIR=$dir
EOT
      return 0
    fi
  done
  local log; log=$(tail -n 5 "$dir/server.log" 2>/dev/null || true)
  rm -rf "$dir"
  fail "the server did not start: $log"
}

stop() {
  local dir=${1:-${ZDB_PG_DIR:-}} bindir
  [[ -n "$dir" && -d "$dir" ]] || return 0
  case "$dir" in */zdb-pg.*) ;; *) echo "pg-test-server: refusing to remove $dir" >&2; return 1 ;; esac
  bindir=$(find_bindir)
  if [[ -n "$bindir" && -f "$dir/data/postmaster.pid" ]]; then
    as_owner "$bindir/pg_ctl" -D "$dir/data" -m immediate -w -t 30 stop >/dev/null 2>&1 || true
  fi
  rm -rf "$dir"
}

checked_dir() {
  [[ -n "$1" && -f "$1/options" ]] || { echo "pg-test-server: no test server in '$1'" >&2; exit 1; }
  case "$1" in */zdb-pg.*) ;; *) echo "pg-test-server: refusing $1" >&2; exit 1 ;; esac
}

halt() {
  checked_dir "$1"
  as_owner "$(find_bindir)/pg_ctl" -D "$1/data" -m immediate -w -t 30 stop >/dev/null
}

resume() {
  checked_dir "$1"
  as_owner "$(find_bindir)/pg_ctl" -D "$1/data" -l "$1/server.log" -w -t 30 -o "$(cat "$1/options")" \
    start >/dev/null
}

case "${1:-}" in
  start) start ;;
  stop) stop "${2:-}" ;;
  halt) halt "${2:-}" ;;
  resume) resume "${2:-}" ;;
  *) echo "usage: $0 start | stop [DIR] | halt DIR | resume DIR" >&2; exit 2 ;;
esac
