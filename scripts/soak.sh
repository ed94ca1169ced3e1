#!/usr/bin/env bash
# Soak run: the application (DorvoEditorApplication with its main window, driven in-process by
# build-asan/dorvo_soak) against the simulated KelaDorvo SE for N minutes of scripted use:
# clicks on the Configuration page's controls, the Sequences page's Save / Load / Factory,
# the preset rows (slot to new file, file to slot, copy, rename, delete, export, import) in a
# temporary preset folder, and a reconnection with the CONNECT switch, round after round.
# AddressSanitizer + UBSan build, leak detection on, under Xvfb.
#
# It samples the process's resident memory, open file descriptors (/proc/PID/fd) and threads
# (/proc/PID/task) every 2 s and fails when
#   - resident memory grew by 5 % or more from the end of the first minute to the end
#     (for runs under 5 minutes: from the end of the first third),
#   - there are more file descriptors or threads at the end than at the end of the first minute,
#   - the leak report is not clean (suppressed only: scripts/lsan.supp, each entry explained),
#   - any check of the driver failed.
#   scripts/soak.sh [minutes, default 10] [build dir, default build-asan]
set -euo pipefail
cd "$(dirname "$0")/.."
MINUTES="${1:-10}"
BUILD="${2:-build-asan}"
SOAK="$BUILD/dorvo_soak"

if [ ! -x "$SOAK" ]; then
  bash scripts/setup.sh
  mkdir -p "$BUILD"
  cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Debug -DDORVO_ASAN=ON > "$BUILD.configure.log" 2>&1 || { cat "$BUILD.configure.log"; exit 1; }
  cmake --build "$BUILD" -j"$(nproc)" --target dorvo_soak > "$BUILD.build.log" 2>&1 || { tail -40 "$BUILD.build.log"; exit 1; }
fi

WORK="$(mktemp -d /tmp/dorvo-soak-XXXXXX)"
OUT="$BUILD/soak"
mkdir -p "$OUT"
SAMPLES="$OUT/samples.tsv"
LOG="$OUT/soak.log"
XPID=""
cleanup() {
  if [ -n "$XPID" ]; then kill "$XPID" 2>/dev/null || true; wait "$XPID" 2>/dev/null || true; fi
  rm -rf "$WORK"
}
trap cleanup EXIT

seconds=$(awk -v m="$MINUTES" 'BEGIN { printf "%d", m * 60 }')
# The quarantine of freed memory is kept small, so that the sanitizer's own cache is full
# within the first minute instead of growing for the whole run; leaks are found all the same.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:quarantine_size_mb=16:malloc_context_size=20"
export LSAN_OPTIONS="suppressions=$(pwd)/scripts/lsan.supp:print_suppressions=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

xvfb-run -a -s "-screen 0 1280x800x24" \
  "$SOAK" --seconds "$seconds" --folder "$WORK/run" --pid-file "$WORK/pid" > "$LOG" 2>&1 &
XPID=$!

for _ in $(seq 1 600); do
  [ -s "$WORK/pid" ] && break
  kill -0 "$XPID" 2>/dev/null || break
  sleep 0.1
done
[ -s "$WORK/pid" ] || { echo "the soak driver did not start"; tail -30 "$LOG"; exit 1; }
PID=$(cat "$WORK/pid")
start=$(date +%s.%N)

printf "t_s\trss_kb\tfds\tthreads\n" > "$SAMPLES"
# The driver removes its pid file once its rounds are over, before it tears down.
while [ -e "$WORK/pid" ] && kill -0 "$PID" 2>/dev/null; do
  rss=$(awk '/^VmRSS:/ { print $2 }' "/proc/$PID/status" 2>/dev/null || true)
  fds=$(ls "/proc/$PID/fd" 2>/dev/null | wc -l || true)
  threads=$(ls "/proc/$PID/task" 2>/dev/null | wc -l || true)
  now=$(date +%s.%N)
  if [ -n "$rss" ]; then
    awk -v t="$now" -v s="$start" -v r="$rss" -v f="$fds" -v n="$threads" 'BEGIN { printf "%.1f\t%d\t%d\t%d\n", t - s, r, f, n }' >> "$SAMPLES"
  fi
  sleep 2
done

rc=0
wait "$XPID" || rc=$?
XPID=""

grep -v "BadAtom\|^JUCE v" "$LOG" | grep -E "^rounds|FAILED|ERROR|SUMMARY|Leaked|leak" || true

# The figures: resident memory at the end of the first minute (of the first third, for runs
# under 5 minutes) is the mean of the samples of the 10 s before it, at the end the mean of the
# last 20 s. Descriptors and threads come and go with the discovery's worker: the counts
# compared are the fewest seen in the 30 s before the end of the first minute (in the second
# half of the first third, for short runs: the start-up, before every thread is up, never
# counts) and in the last 20 s, and the most seen after the first minute is shown beside them.
report=$(awk -F'\t' -v total="$seconds" '
  BEGIN { n = 0 }
  NR == 1 { next }
  { t[n] = $1; r[n] = $2; f[n] = $3; h[n] = $4; n++ }
  END {
    base = total >= 300 ? 60 : total / 3
    span = base / 2 < 30 ? base / 2 : 30   # never the start-up, before every thread is up
    last = t[n - 1]
    bf = bh = ef = eh = 1e9
    for (i = 0; i < n; i++) {
      if (t[i] > base - 10 && t[i] <= base) { br += r[i]; bc++ }
      if (t[i] > base - span && t[i] <= base) { if (f[i] < bf) bf = f[i]; if (h[i] < bh) bh = h[i] }
      if (t[i] >= last - 20) { er += r[i]; ec++; if (f[i] < ef) ef = f[i]; if (h[i] < eh) eh = h[i] }
      if (t[i] > base && f[i] > mf) mf = f[i]
      if (t[i] > base && h[i] > mh) mh = h[i]
    }
    if (bc == 0 || ec == 0) { print "too few samples"; exit 1 }
    br /= bc; er /= ec
    printf "%.1f %.1f %.2f %d %d %d %d %d %d %d\n", br / 1024, er / 1024, 100 * (er - br) / br, bf, ef, mf, bh, eh, mh, base
  }' "$SAMPLES")
read -r rss_first rss_end growth fds_first fds_end fds_most threads_first threads_end threads_most base <<< "$report"

leaks="clean"
if grep -q "ERROR: LeakSanitizer" "$LOG"; then leaks="LEAKS (see $LOG)"; fi
if grep -q "Leaked objects detected" "$LOG"; then leaks="LEAKED OBJECTS (see $LOG)"; fi
if grep -q "ERROR: AddressSanitizer\|runtime error:" "$LOG"; then leaks="$leaks; SANITIZER ERROR (see $LOG)"; fi
suppressed=$(awk '/Suppressions used:/ { on = 1; next } on && /^ *[0-9]+ +[0-9]+ / { printf "%s%s (%s)", sep, $3, $1; sep = ", " } on && /^-+$/ && seen++ { on = 0 }' "$LOG")

echo
echo "| soak, $MINUTES min | figure |"
echo "| --- | --- |"
echo "| resident memory at ${base%.*} s | $rss_first MB |"
echo "| resident memory at the end | $rss_end MB |"
echo "| growth | $growth % (limit < 5 %) |"
echo "| open file descriptors at ${base%.*} s / at the end / most after ${base%.*} s | $fds_first / $fds_end / $fds_most |"
echo "| threads at ${base%.*} s / at the end / most after ${base%.*} s | $threads_first / $threads_end / $threads_most |"
echo "| leak report | $leaks${suppressed:+; suppressed: $suppressed} |"
echo "| driver exit status | $rc |"
echo "samples: $SAMPLES, log: $LOG"

passed=0 failed=0
judge() {
  local what=$1; shift
  if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL: $what"; fi
}
judge "resident memory grew by $growth %" awk -v g="$growth" 'BEGIN { exit !(g < 5) }'
judge "file descriptors grew ($fds_first -> $fds_end)" [ "$fds_end" -le "$fds_first" ]
judge "threads grew ($threads_first -> $threads_end)" [ "$threads_end" -le "$threads_first" ]
judge "$leaks" [ "$leaks" = "clean" ]
judge "the driver ended with $rc" [ "$rc" -eq 0 ]
echo "soak: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
