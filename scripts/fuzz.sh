#!/usr/bin/env bash
# make fuzz: builds the fuzz programs with clang's libFuzzer and the address and
# undefined-behaviour sanitizers in build-fuzz/ (the library compiled again for
# them), then runs each for FUZZ_SECONDS (default 60), one after another.
# Each starts from its committed corpus fuzz/corpus/<name>/; what it adds goes to
# build-fuzz/corpus/<name>/ and a crashing input to build-fuzz/findings/.
#   FUZZ_TARGETS="filter sqltext"   runs only those programs
#   FUZZ_JOBS                      parallel compile jobs (default JOBS or 2)
set -euo pipefail
cd "$(dirname "$0")/.."

FUZZ_SECONDS=${FUZZ_SECONDS:-60}
FUZZ_DIR=${FUZZ_DIR:-build-fuzz}
JOBS=${FUZZ_JOBS:-${JOBS:-2}}

# clang and its runtime (libFuzzer, sanitizers) only for this target.
scripts/setup.sh clang libclang-rt-14-dev

echo "== building the fuzz programs in $FUZZ_DIR (log: $FUZZ_DIR/build.log)"
mkdir -p "$FUZZ_DIR"
if ! { cmake -S . -B "$FUZZ_DIR" -DZDB_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
         -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ &&
       cmake --build "$FUZZ_DIR" -j"$JOBS"; } >"$FUZZ_DIR/build.log" 2>&1; then
  tail -n 40 "$FUZZ_DIR/build.log" >&2
  exit 1
fi

if [[ -n ${FUZZ_TARGETS:-} ]]; then
  read -r -a targets <<<"$FUZZ_TARGETS"
else
  targets=()
  for src in fuzz/fuzz_*.cpp; do
    name=${src#fuzz/fuzz_}
    targets+=("${name%.cpp}")
  done
fi

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/scripts/lsan.supp:print_suppressions=0}

failed=()
mkdir -p "$FUZZ_DIR/findings"
for name in "${targets[@]}"; do
  corpus="$FUZZ_DIR/corpus/$name"
  mkdir -p "$corpus"
  args=(-max_total_time="$FUZZ_SECONDS" -print_final_stats=1 -rss_limit_mb=4096 -timeout=20
        -artifact_prefix="$FUZZ_DIR/findings/$name-")
  [[ -f fuzz/$name.dict ]] && args+=(-dict="fuzz/$name.dict")
  echo "== fuzz_$name for ${FUZZ_SECONDS} s"
  log="$FUZZ_DIR/fuzz_$name.log"
  rc=0
  "$FUZZ_DIR/fuzz/fuzz_$name" "${args[@]}" "$corpus" "fuzz/corpus/$name" >"$log" 2>&1 || rc=$?
  grep -E '^#[0-9]+.*(INITED|DONE)|ERROR|property broken|^Done' "$log" || true
  ((rc == 0)) || failed+=("$name")
done

if ((${#failed[@]})); then
  echo "== fuzz: findings in ${failed[*]} (inputs in $FUZZ_DIR/findings/, logs in $FUZZ_DIR/fuzz_*.log)" >&2
  exit 1
fi
echo "== fuzz: ${#targets[@]} programs ran ${FUZZ_SECONDS} s each without a finding"
