# Runs the benchmark (scripts/bench.sh) on this build and shows its figures; it fails only
# when the benchmark cannot run, not on the figures (they depend on the machine's load).
set -euo pipefail
APP="$1"
BUILD="$(cd "$(dirname "$APP")/../.." && pwd)"
mkdir -p "$2"
bash "$(dirname "$0")/../../scripts/bench.sh" "$BUILD" | tee "$2/benchmark.txt"
