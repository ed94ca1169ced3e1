# Runs the benchmark's quick figures (scripts/bench.sh --quick) on this build and shows them; it
# fails only when the benchmark cannot run, not on the figures (they depend on the machine's
# load). The clean build time and the suite time are left to the full scripts/bench.sh.
set -euo pipefail
APP="$1"
BUILD="$(cd "$(dirname "$APP")/../.." && pwd)"
mkdir -p "$2"
bash "$(dirname "$0")/../../scripts/bench.sh" --quick "$BUILD" | tee "$2/benchmark.txt"
