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

source scripts/pg-session.sh

run_tests() {
  echo "== ctest in $1"
  ctest --test-dir "$1" --output-on-failure --no-tests=error -j"$JOBS"
}

make --no-print-directory JOBS="$JOBS" BUILD_DIR="$BUILD_DIR" build

start_server tests

run_tests "$BUILD_DIR"

make --no-print-directory JOBS="$JOBS" ASAN_DIR="$ASAN_DIR" build-asan
run_tests "$ASAN_DIR"

echo "== make test passed in $((SECONDS - start_time)) s"
