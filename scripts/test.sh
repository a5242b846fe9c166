#!/usr/bin/env bash
# make test: build, start the test PostgreSQL server, run every test in build/,
# then in the sanitized build-asan/; the server is stopped on every path.
set -euo pipefail
cd "$(dirname "$0")/.."

JOBS=${JOBS:-2}
BUILD_DIR=${BUILD_DIR:-build}
ASAN_DIR=${ASAN_DIR:-build-asan}
export QT_QPA_PLATFORM=offscreen
start_time=$SECONDS

scripts/setup.sh

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

run_tests() {
  echo "== ctest in $1"
  ctest --test-dir "$1" --output-on-failure --no-tests=error -j"$JOBS"
}

make --no-print-directory JOBS="$JOBS" BUILD_DIR="$BUILD_DIR" build

if server_env=$(scripts/pg-test-server.sh start 2>/tmp/zdb-pg-start.$$); then
  eval "$server_env"
  echo "== PostgreSQL test server on $ZDB_PG_HOST:$ZDB_PG_PORT"
else
  reason=$(sed 's/^PostgreSQL test server not available: //' /tmp/zdb-pg-start.$$ | tr '\n' ' ' | sed 's/ *$//')
  export ZDB_PG_UNAVAILABLE=${reason:-unknown reason}
  echo "=================================================================="
  echo "PostgreSQL test server not available: $ZDB_PG_UNAVAILABLE"
  echo "The PostgreSQL tests are skipped."
  echo "=================================================================="
fi
rm -f /tmp/zdb-pg-start.$$

run_tests "$BUILD_DIR"

make --no-print-directory JOBS="$JOBS" ASAN_DIR="$ASAN_DIR" build-asan
run_tests "$ASAN_DIR"

echo "== make test passed in $((SECONDS - start_time)) s"
