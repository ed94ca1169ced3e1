#!/usr/bin/env bash
# Sets up a Debian 12 machine, builds, and starts Dorvo Connection.
#   scripts/run.sh                     real MIDI ports (an instrument on USB-MIDI)
#   scripts/run.sh --simulated kelase  the simulated KelaDorvo SE on the virtual port bus
#   scripts/run.sh --simulated kela    the simulated KelaDorvo
# Needs a display; on a machine without one, put "xvfb-run -a" in front.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${1:-}" = "--simulated" ]; then
  export DORVO_MIDI=virtual
  export DORVO_SIM_MODEL="${2:-kelase}"
elif [ -n "${1:-}" ]; then
  echo "usage: scripts/run.sh [--simulated kela|kelase]" >&2; exit 2
fi

bash scripts/setup.sh
mkdir -p build
cmake -S . -B build -DCMAKE_BUILD_TYPE=Debug > build.configure.log 2>&1 || { cat build.configure.log; exit 1; }
cmake --build build -j"$(nproc)" --target DorvoConnection > /dev/null
exec "build/DorvoConnection_artefacts/Debug/Dorvo Connection"
