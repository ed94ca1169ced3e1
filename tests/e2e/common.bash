# Shared by the end-to-end scripts: each runs the built application on a display of its own
# against the simulated instrument on the virtual port bus, drives it with real X input
# (xdotool), screenshots it (ImageMagick) and checks the instrument's hex log.
#   bash <script> <application binary> <artefact dir>
set -euo pipefail

APP="$1"
ARTEFACTS="$2"
NAME="$(basename "$0" .sh)"
OUT="$ARTEFACTS/e2e-$NAME"
rm -rf "$OUT"
mkdir -p "$OUT"
WORK="$(mktemp -d)"
LOG="$OUT/instrument.log"
APP_PID=""
XVFB_PID=""

cleanup() {
  if [ -n "$APP_PID" ]; then kill "$APP_PID" 2>/dev/null || true; wait "$APP_PID" 2>/dev/null || true; fi
  if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null || true; wait "$XVFB_PID" 2>/dev/null || true; fi
  rm -rf "$WORK"
}
trap cleanup EXIT

shot() { import -window root "$OUT/$1.png" 2>/dev/null || true; }

fail() {
  echo "FAIL ($NAME): $*" >&2
  shot failure
  echo "--- instrument log" >&2; cat "$LOG" 2>/dev/null >&2 || true
  echo "--- application output" >&2; tail -20 "$OUT/app.out" 2>/dev/null >&2 || true
  exit 1
}

# Waits up to $1 seconds until the rest of the line succeeds.
wait_for() {
  local seconds=$1; shift
  local end=$((SECONDS + seconds))
  until "$@" >/dev/null 2>&1; do
    [ $SECONDS -lt $end ] || return 1
    sleep 0.1
  done
}

start_display() {
  Xvfb -displayfd 8 -screen 0 1280x800x24 -nolisten tcp 8>"$WORK/display" >/dev/null 2>&1 &
  XVFB_PID=$!
  wait_for 10 test -s "$WORK/display" || fail "Xvfb did not start"
  export DISPLAY=":$(head -1 "$WORK/display")"
}

# start_app VAR=value ...: the simulated instrument's settings (DORVO_SIM_MODEL, ...).
start_app() {
  env "$@" DORVO_MIDI=virtual DORVO_SIM_LOG="$LOG" DORVO_INSTANCE_SOCKET="$WORK/instance.socket" \
      "$APP" >"$OUT/app.out" 2>&1 &
  APP_PID=$!
}

# Gives the window with the id $1 the keyboard focus, then presses the key $2 (there is no
# window manager to hand the focus over).
key_to() {
  xdotool windowfocus --sync "$1" 2>/dev/null || true
  xdotool key "$2"
}

window_named() { xdotool search --name "^$1\$" | head -1 | grep -q .; }
box_gone() { ! xdotool search --onlyvisible --name "^$1\$" | head -1 | grep -q .; }

# Answers the box named $1 with Return (its first button), again while it is still up: a key
# sent before the box has the keyboard is lost.
answer_box() {
  wait_for 30 window_named "$1" || fail "no box \"$1\"; log: '$(commands)'"
  local try
  for try in 1 2 3 4 5; do
    sleep 0.5
    xdotool key Return
    if wait_for 3 box_gone "$1"; then return 0; fi
  done
  fail "the box \"$1\" took no Return"
}
main_window() { xdotool search --name "^Dorvo Connection\$" | head -1; }

# Window origin and size: sets WX WY WW WH.
geometry() {
  local id; id=$(main_window)
  eval "$(xdotool getwindowgeometry --shell "$id")"
  WX=$X; WY=$Y; WW=$WIDTH; WH=$HEIGHT
}

# Clicks the point (x, y) of the Configuration page (below the 30-pixel tab bar).
click_page() {
  geometry
  xdotool mousemove $((WX + $1)) $((WY + 30 + $2)) click 1
  xdotool mousemove 5 5
}

# Clicks the point (x, y) of the window itself (the CONNECT switch sits at width - 48, 0, 24 x 30).
click_window() {
  geometry
  xdotool mousemove $((WX + $1)) $((WY + $2)) click 1
  xdotool mousemove 5 5
}

# The command bytes (byte 8) of the device messages in the log, one line.
commands() { awk '$1 == "F0" && $2 == "00" && $3 == "2F" { printf "%s ", $9 }' "$LOG" 2>/dev/null; }
sets_count() { awk -v c="$1" '$1 == "F0" && $2 == "00" && $9 == c && NF == 11 { n++ } END { print n + 0 }' "$LOG" 2>/dev/null; }
last_value_of() { awk -v c="$1" '$1 == "F0" && $2 == "00" && $9 == c && NF == 11 { v = $10 } END { print v }' "$LOG"; }

READ_BACK="3F 06 08 0A 10 26 0C 0E 12 14 39 37 2B 3D 2F 33 "
read_back_done() { [ "$(commands)" = "$READ_BACK" ]; }
read_backs() { commands | grep -o "3F 06 08 0A 10 26 0C 0E 12 14 39 37 2B 3D 2F 33" | wc -l; }
read_back_count_is() { [ "$(read_backs)" -ge "$1" ]; }
has_sets() { [ "$(sets_count "$1")" -ge "$2" ]; }
