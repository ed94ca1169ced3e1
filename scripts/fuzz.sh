#!/usr/bin/env bash
# Builds the fuzz configuration (build-fuzz: clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs every fuzz target of tests/fuzz against its corpus.
#   scripts/fuzz.sh          the same as --short
#   scripts/fuzz.sh --short  about 30 s per target (the test suite runs this)
#   scripts/fuzz.sh --long   10 million executions per target
#   scripts/fuzz.sh --short|--long TARGET...   only those targets
# The targets run side by side, at most one per core. Each starts from the seeds and
# regression inputs kept in tests/fuzz/corpus/<target> and keeps what it learns in
# build-fuzz/corpus/<target>. Per target it prints the executions, the time, the corpus size
# and the result; an input that crashes, leaks, hangs or breaks an oracle is kept in
# build-fuzz/artefacts and makes the script fail. Such an input belongs, once the fault is
# mended, in tests/fuzz/corpus/<target>/regressions, which the normal test suite replays.
set -euo pipefail
cd "$(dirname "$0")/.."

mode=short
only=()
for arg in "$@"; do
  case "$arg" in
    --short) mode=short ;;
    --long) mode=long ;;
    -*) echo "usage: scripts/fuzz.sh [--short|--long] [TARGET...]" >&2; exit 2 ;;
    *) only+=("$arg") ;;
  esac
done

bash scripts/setup.sh

dir=build-fuzz
jobs=$(nproc)
echo "== building $dir"
mkdir -p "$dir"
if ! CC=clang CXX=clang++ cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Debug -DDORVO_FUZZ=ON > "$dir.configure.log" 2>&1; then
  cat "$dir.configure.log"
  exit 1
fi
if ! cmake --build "$dir" --target dorvo_fuzz -j"$jobs" > "$dir.build.log" 2>&1; then
  grep -E -B2 -A8 "error|Error" "$dir.build.log" | head -n 120
  exit 1
fi
grep -E "warning:" "$dir.build.log" || true

case "$mode" in
  short) limit=(-max_total_time=30) ;;
  long) limit=(-runs=10000000) ;;
esac

targets=()
for bin in "$dir"/tests/fuzz/fuzz_*; do
  [ -x "$bin" ] && targets+=("$(basename "$bin" | sed 's/^fuzz_//')")
done
if [ ${#only[@]} -gt 0 ]; then
  for t in "${only[@]}"; do
    [ -x "$dir/tests/fuzz/fuzz_$t" ] || { echo "fuzz: no target $t" >&2; exit 2; }
  done
  targets=("${only[@]}")
fi
if [ ${#targets[@]} -eq 0 ]; then
  echo "fuzz: no targets built" >&2
  exit 1
fi

mkdir -p "$dir/artefacts" "$dir/logs"
# The suite's own sanitizer options do not suit libFuzzer: it finds leaks per input itself.
export ASAN_OPTIONS=detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

run_target() {
  local t=$1
  local bin="$dir/tests/fuzz/fuzz_$t"
  mkdir -p "$dir/corpus/$t"
  local start=$SECONDS rc=0
  "$bin" "${limit[@]}" -timeout=10 -rss_limit_mb=2048 -close_fd_mask=1 -print_final_stats=1 \
      -artifact_prefix="$dir/artefacts/$t-" "$dir/corpus/$t" "tests/fuzz/corpus/$t" \
      > "$dir/logs/$t.log" 2>&1 || rc=$?
  echo "$rc $((SECONDS - start))" > "$dir/logs/$t.result"
}

echo "== fuzzing ${#targets[@]} targets ($mode) side by side"
for t in "${targets[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n || true; done
  run_target "$t" &
done
wait

failed=0
printf "%-16s %12s %8s %18s  %s\n" target executions seconds corpus result
for t in "${targets[@]}"; do
  log="$dir/logs/$t.log"
  read -r rc secs < "$dir/logs/$t.result"
  execs=$(grep -oE "stat::number_of_executed_units: [0-9]+" "$log" | tail -n1 | grep -oE "[0-9]+$" || echo "?")
  corpus=$(grep -oE "corp: [0-9]+/[0-9]+[a-zA-Z]*" "$log" | tail -n1 | sed 's/corp: //' || true)
  if [ "$rc" -eq 0 ]; then
    result=clean
  else
    failed=1
    if grep -q "fuzz oracle failed" "$log"; then result="ORACLE FAILED: $(grep -m1 "fuzz oracle failed" "$log" | sed 's/fuzz oracle failed: //')"
    elif grep -q "LeakSanitizer" "$log"; then result=LEAK
    elif grep -q "ALARM: working on the last Unit" "$log"; then result=TIMEOUT
    elif grep -q "out-of-memory" "$log"; then result=OUT-OF-MEMORY
    else result="CRASH ($(grep -m1 -oE "ERROR: [A-Za-z]+Sanitizer: [a-z-]+|runtime error: .*|deadly signal" "$log" || echo "exit $rc"))"
    fi
    artefact=$(grep -oE "Test unit written to [^ ]+" "$log" | tail -n1 | sed 's/Test unit written to //' || true)
    [ -n "$artefact" ] && result="$result; input kept as $artefact"
  fi
  printf "%-16s %12s %8s %18s  %s\n" "$t" "$execs" "$secs" "${corpus:-?}" "$result"
done

if [ "$failed" -ne 0 ]; then
  echo "fuzz: a target failed; its log is in $dir/logs" >&2
  exit 1
fi
echo "fuzz: all targets clean"
