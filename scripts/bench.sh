#!/usr/bin/env bash
# The one benchmark: every figure of the system in one go, printed as a markdown table (the one
# README.md shows) with the machine it was taken on. Against the simulated instrument on the
# virtual port bus:
#   - connection to a filled Configuration page, both models: ratio to the protocol's floor of
#     420 ms (the discovery's first 100 ms poll, then one 20 ms reply slice for the sequencer
#     question and each of the fifteen gets; target <= 1.1);
#   - a control's click to its set message on the bus (target < 1 ms);
#   - a whole sequence save, with and without the six MIDI files: ratio to the floor of
#     fourteen 20 ms reply slices, 280 ms (target <= 1.1);
#   - the load of a file of six 64-step lines until its twelve messages are out (target <= 5 ms);
#   - the firmware transfer's packets per second against a boot loader that acknowledges at
#     once (target >= 2000);
#   - the application process: CPU while connected and idle (target: none), resident memory
#     after start-up (target < 80 MB);
#   - a clean configure + build of the plain build in a temporary build folder, and the wall
#     time of that build's whole suite (ctest).
#
#   scripts/bench.sh                    all of it (the build and the suite take minutes)
#   scripts/bench.sh --quick [build]    the figures of the programs only, with an existing
#                                       build (default: build; built first when missing); the
#                                       suite's e2e.benchmark runs this
# Figures of the plain (Debug) build; those of a sanitizer build are not representative.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT="$(pwd)"

quick=0
BUILD=""
for arg in "$@"; do
  case "$arg" in
    --quick) quick=1 ;;
    -*) echo "usage: scripts/bench.sh [--quick [build dir]]" >&2; exit 2 ;;
    *) BUILD="$arg" ;;
  esac
done

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x800x24" bash "$0" "$@"
fi

jobs=$(nproc)
WORK="$(mktemp -d /tmp/dorvo-bench-XXXXXX)"
APP_PID=""
cleanup() {
  if [ -n "$APP_PID" ]; then kill "$APP_PID" 2>/dev/null || true; wait "$APP_PID" 2>/dev/null || true; fi
  rm -rf "$WORK"
}
trap cleanup EXIT

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1f", b - a }'; }

build_s="" configure_s="" suite_s="" suite_result=""
if [ "$quick" -eq 0 ]; then
  bash scripts/setup.sh > /dev/null
  BUILD="$WORK/build"
  echo "== clean configure + build of the plain build in $BUILD (-j$jobs)" >&2
  t0=$(now)
  cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Debug > "$WORK/configure.log" 2>&1 || { cat "$WORK/configure.log"; exit 1; }
  t1=$(now)
  cmake --build "$BUILD" -j"$jobs" > "$WORK/build.log" 2>&1 || { tail -40 "$WORK/build.log"; exit 1; }
  t2=$(now)
  configure_s=$(elapsed "$t0" "$t1")
  build_s=$(elapsed "$t0" "$t2")
else
  BUILD="${BUILD:-build}"
  APP="$BUILD/DorvoConnection_artefacts/Debug/Dorvo Connection"
  if [ ! -x "$BUILD/dorvo_bench" ] || [ ! -x "$BUILD/dorvo_sequence_bench" ] || [ ! -x "$BUILD/dorvo_firmware_bench" ] || [ ! -x "$APP" ]; then
    bash scripts/setup.sh > /dev/null
    mkdir -p "$BUILD"
    cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Debug > "$BUILD.configure.log" 2>&1 || { cat "$BUILD.configure.log"; exit 1; }
    cmake --build "$BUILD" -j"$jobs" --target dorvo_bench dorvo_sequence_bench dorvo_firmware_bench DorvoConnection > /dev/null
  fi
fi
APP="$BUILD/DorvoConnection_artefacts/Debug/Dorvo Connection"

# ---------------------------------------------------------------------------------------------
# The programs' figures: each prints "figure <name> <value>" lines.
echo "== in-process figures" >&2
{
  "$BUILD/dorvo_bench" 5
  "$BUILD/dorvo_sequence_bench" 10
  "$BUILD/dorvo_firmware_bench" 5
} 2>/dev/null | grep "^figure " > "$WORK/figures" || { echo "a benchmark program failed" >&2; exit 1; }
fig() { awk -v k="$1" '$1 == "figure" && $2 == k { print $3 }' "$WORK/figures"; }

# The application process (KelaDorvo SE simulated): resident memory after start-up, then the CPU
# it uses while connected and idle.
echo "== the application process" >&2
env DORVO_MIDI=virtual DORVO_SIM_MODEL=kelase DORVO_SIM_LOG="$WORK/log" DORVO_INSTANCE_SOCKET="$WORK/socket" \
    "$APP" > "$WORK/app.out" 2>&1 &
APP_PID=$!
device_messages() { if [ -f "$WORK/log" ]; then grep -c '^F0 00 2F 5A' "$WORK/log" || true; else echo 0; fi; }
for _ in $(seq 1 200); do
  [ "$(device_messages)" -ge 16 ] && break
  sleep 0.1
done
[ "$(device_messages)" -ge 16 ] || { echo "the application did not connect" >&2; exit 1; }
sleep 1
rss_kb=$(awk '/^VmRSS:/ { print $2 }' "/proc/$APP_PID/status")
ticks() { awk '{ print $14 + $15 }' "/proc/$APP_PID/stat"; }
hz=$(getconf CLK_TCK)
idle_s=10
c0=$(ticks); sleep $idle_s; c1=$(ticks)
kill "$APP_PID" 2>/dev/null || true
wait "$APP_PID" 2>/dev/null || true
APP_PID=""
rss_mb=$(awk -v kb="$rss_kb" 'BEGIN { printf "%.1f", kb / 1024 }')
idle_cpu=$(awk -v d=$((c1 - c0)) -v hz="$hz" -v s=$idle_s 'BEGIN { printf "%.2f", 100 * d / hz / s }')

if [ "$quick" -eq 0 ]; then
  echo "== the whole suite of that build (ctest -j$jobs)" >&2
  t0=$(now)
  set +e
  (cd "$BUILD" && ctest -j"$jobs" --timeout 600 > "$WORK/ctest.log" 2>&1)
  suite_rc=$?
  set -e
  t1=$(now)
  suite_s=$(elapsed "$t0" "$t1")
  suite_result=$(grep -E "tests passed|tests failed" "$WORK/ctest.log" | tail -1 | sed 's/^ *//')
  [ "$suite_rc" -eq 0 ] || grep -E "\(Failed\)|Timeout|\*\*\*" "$WORK/ctest.log" >&2 || true
fi

# ---------------------------------------------------------------------------------------------
cpu=$(awk -F': ' '/^model name/ { print $2; exit }' /proc/cpuinfo)
mem_gb=$(awk '/^MemTotal:/ { printf "%.1f", $2 / 1024 / 1024 }' /proc/meminfo)
os=$(. /etc/os-release && echo "$PRETTY_NAME")
compiler=$(awk -F= '/^CMAKE_CXX_COMPILER:/ { print $2 }' "$BUILD/CMakeCache.txt" 2>/dev/null || true)
compiler_version=$("${compiler:-c++}" --version 2>/dev/null | head -1)
load=$(cut -d' ' -f1-3 /proc/loadavg)

ratio() { awk -v v="$1" -v f="$2" 'BEGIN { printf "%.3f", v / f }'; }

echo "Machine: $cpu, $jobs cores, $mem_gb GB memory, $os (kernel $(uname -r)), $compiler_version; load average at the end $load; $(date -u +%Y-%m-%d)."
echo
echo "| figure | value | floor or target | ratio |"
echo "| --- | --- | --- | --- |"
echo "| connection to a filled page, KelaDorvo SE (median of 5) | $(fig connect_se_ms) ms | floor 420 ms (target ratio <= 1.1) | $(ratio "$(fig connect_se_ms)" 420) |"
echo "| connection to a filled page, KelaDorvo (median of 5) | $(fig connect_kela_ms) ms | floor 420 ms (target ratio <= 1.1) | $(ratio "$(fig connect_kela_ms)" 420) |"
echo "| click to its set message on the bus (median of $(fig clicks), worst $(fig click_worst_ms) ms) | $(fig click_ms) ms | target < 1 ms | $(ratio "$(fig click_ms)" 1) of target |"
echo "| sequence save, sequence file only (median of $(fig sequence_runs)) | $(fig save_ms) ms | floor 280 ms (target ratio <= 1.1) | $(ratio "$(fig save_ms)" 280) |"
echo "| sequence save with six MIDI files (median of $(fig sequence_runs)) | $(fig save_midi_ms) ms | floor 280 ms (target ratio <= 1.1) | $(ratio "$(fig save_midi_ms)" 280) |"
echo "| sequence load, six 64-step lines (median of $(fig sequence_runs)) | $(fig load_ms) ms | target <= 5 ms | $(ratio "$(fig load_ms)" 5) of target |"
echo "| firmware transfer, $(fig packets) packets, instant acknowledgements (median of 5) | $(fig packets_per_s) packets/s | target >= 2000 packets/s | $(ratio "$(fig packets_per_s)" 2000) of target |"
echo "| CPU while connected and idle ($idle_s s) | $idle_cpu % of one core | target: none | - |"
echo "| resident memory after start-up | $rss_mb MB | target < 80 MB | $(ratio "$rss_mb" 80) of target |"
if [ "$quick" -eq 0 ]; then
  echo "| clean build: configure + build of the plain build (-j$jobs) | $build_s s (configure $configure_s s) | - | - |"
  echo "| suite: ctest -j$jobs of that build, wall time | $suite_s s ($suite_result) | - | - |"
fi
