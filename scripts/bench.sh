#!/usr/bin/env bash
# Benchmark against the simulated instrument on the virtual port bus. Prints:
#   - the time from the start of a connection to a filled Configuration page, and its ratio to
#     the protocol's floor of 420 ms (target <= 1.1), for both models;
#   - the time from a control's click to its set message on the bus (target < 1 ms);
#   - a whole sequence save against an instrument that answers at once, and its ratio to the
#     protocol's floor of fourteen 20 ms reply slices, 280 ms (target <= 1.1); the load of a
#     file of six 64-step lines (target <= 5 ms);
#   - the application's resident memory after start-up (target < 80 MB);
#   - the CPU the application uses while connected and idle (target: none, no busy loop).
#   scripts/bench.sh [build dir]     (default: build; built first when missing)
# Figures of a sanitizer build are not representative.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD="${1:-build}"
APP="$BUILD/DorvoConnection_artefacts/Debug/Dorvo Connection"

if [ ! -x "$BUILD/dorvo_bench" ] || [ ! -x "$BUILD/dorvo_sequence_bench" ] || [ ! -x "$APP" ]; then
  bash scripts/setup.sh
  mkdir -p "$BUILD"
  cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Debug > "$BUILD.configure.log" 2>&1 || { cat "$BUILD.configure.log"; exit 1; }
  cmake --build "$BUILD" -j"$(nproc)" --target dorvo_bench dorvo_sequence_bench DorvoConnection > /dev/null
fi

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x800x24" bash "$0" "$BUILD"
fi

echo "== in-process, 5 connections per model, 20 clicks each"
"$BUILD/dorvo_bench" 5 2>/dev/null | grep -v "^Device family\|^JUCE v"

echo "== in-process, sequence save and load, 10 runs each"
"$BUILD/dorvo_sequence_bench" 10 2>/dev/null | grep -v "^JUCE v"

echo "== the application process (KelaDorvo SE simulated)"
WORK="$(mktemp -d)"
env DORVO_MIDI=virtual DORVO_SIM_MODEL=kelase DORVO_SIM_LOG="$WORK/log" DORVO_INSTANCE_SOCKET="$WORK/socket" \
    "$APP" > "$WORK/out" 2>&1 &
PID=$!
trap 'kill $PID 2>/dev/null || true; wait $PID 2>/dev/null || true; rm -rf "$WORK"' EXIT

device_messages() { if [ -f "$WORK/log" ]; then grep -c '^F0 00 2F 5A' "$WORK/log" || true; else echo 0; fi; }
for _ in $(seq 1 200); do
  [ "$(device_messages)" -ge 16 ] && break
  sleep 0.1
done
[ "$(device_messages)" -ge 16 ] || { echo "the application did not connect"; exit 1; }
sleep 1

rss_kb=$(awk '/^VmRSS:/ { print $2 }' "/proc/$PID/status")
ticks() { awk '{ print $14 + $15 }' "/proc/$PID/stat"; }
hz=$(getconf CLK_TCK)
idle_s=5
t0=$(ticks); sleep $idle_s; t1=$(ticks)
awk -v kb="$rss_kb" 'BEGIN { printf "resident memory after start-up: %.1f MB (target < 80 MB)\n", kb / 1024 }'
awk -v d=$((t1 - t0)) -v hz="$hz" -v s=$idle_s \
    'BEGIN { printf "CPU while connected and idle: %.2f %% of one core over %d s (%d ticks; target: none)\n", 100 * d / hz / s, s, d }'
