#!/usr/bin/env bash
# make bench: a Release build in build-release/, the throw-away PostgreSQL
# server, every bench/bench_* program at 10,000, 100,000 and 1,000,000 records
# (bench_sqlquery at 1,000,000 and 10,000,000); writes bench/results.md and
# bench/charts/*.png. The server is stopped on every path.
#   ZDB_BENCH_SIZES=1000,10000   other record counts (for every program)
#   ZDB_BENCH_REPEATS=7          more runs per figure (at least 5)
set -euo pipefail
cd "$(dirname "$0")/.."

JOBS=${JOBS:-2}
RELEASE_DIR=${RELEASE_DIR:-build-release}
export QT_QPA_PLATFORM=offscreen
start_time=$SECONDS

scripts/setup.sh

cmake -S . -B "$RELEASE_DIR" -DCMAKE_BUILD_TYPE=Release -DZDB_BUILD_TESTS=OFF -DZDB_BUILD_DEMO=OFF
cmake --build "$RELEASE_DIR" -j"$JOBS"

source scripts/pg-session.sh
start_server benchmarks

# The programs' rows stay in the build folder: the report can be written again from them.
rows=$RELEASE_DIR/bench-rows
rm -rf "$rows"
export ZDB_BENCH_OUT=$rows
sizes=()
[[ -n "${ZDB_BENCH_SIZES:-}" ]] && sizes=(--sizes="$ZDB_BENCH_SIZES")

for program in "$RELEASE_DIR"/bench/bench_*; do
  [[ -f "$program" && -x "$program" ]] || continue
  "$program" "${sizes[@]}"
done

"$RELEASE_DIR/bench/zdb_bench_report" "$rows" bench/results.md bench/charts bench/analysis.md
echo "== make bench finished in $((SECONDS - start_time)) s"
