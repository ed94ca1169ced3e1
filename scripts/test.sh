#!/usr/bin/env bash
# Sets up a Debian 12 machine, builds, and runs the whole test suite three times: in the plain
# build, in the ThreadSanitizer build and in the AddressSanitizer + UndefinedBehaviorSanitizer
# build. GUI tests and the end-to-end runs of the application get a virtual X display (Xvfb).
# The kill tests of the saves (killtest.*) run in the plain build only; then one minute of the
# soak run in the AddressSanitizer build, and every fuzz target for about 30 s
# (scripts/fuzz.sh --short).
#   scripts/test.sh            all three
#   scripts/test.sh --no-tsan  plain + ASan/UBSan only
set -euo pipefail
cd "$(dirname "$0")/.."

with_tsan=1
for arg in "$@"; do
  case "$arg" in
    --no-tsan) with_tsan=0 ;;
    *) echo "usage: scripts/test.sh [--no-tsan]" >&2; exit 2 ;;
  esac
done

bash scripts/setup.sh

jobs=$(nproc)
build() {
  local dir=$1; shift
  echo "== building $dir"
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Debug "$@" > "$dir.configure.log" 2>&1 || { cat "$dir.configure.log"; exit 1; }
  if ! cmake --build "$dir" -j"$jobs" > "$dir.build.log" 2>&1; then
    grep -E -B2 -A8 "error|Error" "$dir.build.log" | head -n 120
    exit 1
  fi
  grep -E "warning:" "$dir.build.log" || true
}

run() {
  local dir=$1
  echo "== testing $dir"
  (cd "$dir" && xvfb-run -a -s "-screen 0 1280x800x24" ctest -j"$jobs" --output-on-failure --timeout 600)
}

mkdir -p build build-asan
build build
build build-asan -DDORVO_ASAN=ON
if [ "$with_tsan" -eq 1 ]; then
  mkdir -p build-tsan
  build build-tsan -DDORVO_TSAN=ON
fi

export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$(pwd)/scripts/tsan.supp"

run build
if [ "$with_tsan" -eq 1 ]; then
  run build-tsan
fi
run build-asan

# One minute of the soak run (scripts/soak.sh): the application used round after round in the
# AddressSanitizer build, leak detection on; memory, descriptors and threads must not grow.
echo "== soak, 1 minute, build-asan"
bash scripts/soak.sh 1 build-asan

# The fuzz targets, briefly: about 30 s each, side by side, in their own clang build.
bash scripts/fuzz.sh --short
