# Sourced by scripts/test.sh and scripts/bench.sh: starts the throw-away
# PostgreSQL server for this run (exporting ZDB_PG_*) and stops it on every path.
# Without a server, ZDB_PG_UNAVAILABLE says why and the PostgreSQL parts skip.

ZDB_PG_DIR=""
stop_server() {
  if [[ -n "$ZDB_PG_DIR" ]]; then
    scripts/pg-test-server.sh stop "$ZDB_PG_DIR" || true
    ZDB_PG_DIR=""
  fi
}
trap stop_server EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

start_server() {
  local server_env reason
  if server_env=$(scripts/pg-test-server.sh start 2>/tmp/zdb-pg-start.$$); then
    eval "$server_env"
    echo "== PostgreSQL test server on $ZDB_PG_HOST:$ZDB_PG_PORT"
  else
    reason=$(sed 's/^PostgreSQL test server not available: //' /tmp/zdb-pg-start.$$ | tr '\n' ' ' | sed 's/ *$//')
    export ZDB_PG_UNAVAILABLE=${reason:-unknown reason}
    echo "=================================================================="
    echo "PostgreSQL test server not available: $ZDB_PG_UNAVAILABLE"
    echo "The PostgreSQL $1 are skipped."
    echo "=================================================================="
  fi
  rm -f /tmp/zdb-pg-start.$$
}
