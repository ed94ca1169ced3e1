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

not() { ! "$@"; }

# Milliseconds on a clock that only goes forward.
now_ms() { echo $(( 10#$(cut -d' ' -f1 /proc/uptime | tr -d .) * 10 )); }

# Whether the application has the file $1 open.
app_has_open() {
  local fd
  for fd in /proc/"$APP_PID"/fd/*; do
    [ "$(readlink "$fd" 2>/dev/null)" = "$1" ] && return 0
  done
  return 1
}

# A window title as a pattern that matches exactly that title.
title_pattern() { printf '^%s$' "$(printf '%s' "$1" | sed 's/[][\.*^$?+(){}|]/\\&/g')"; }
# The id of a visible window named $1 (exactly), or nothing.
visible_window() { xdotool search --onlyvisible --name "$(title_pattern "$1")" 2>/dev/null | head -1; }
# Whether the window with the id $2 named $1 is still up.
still_up() { xdotool search --onlyvisible --name "$(title_pattern "$1")" 2>/dev/null | grep -qx "$2"; }
# Whether a window named $1 is up.
box_up() { [ -n "$(visible_window "$1")" ]; }

# Presses the key $2 into the window with the id $1: the keyboard focus is put there and checked
# first (there is no window manager to hand it over), so the key reaches no other window. False
# when that window does not take the focus (it is gone, for one).
key_into() {
  xdotool windowfocus --sync "$1" 2>/dev/null || return 1
  [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ] || return 1
  xdotool key "$2"
}

# Answers the box (a window of its own) named $1 with the key $2 (Return: its default button,
# Escape: cancel). A key that comes before the box takes keys is lost, so it is pressed again
# while that same box is still up. Sets BOX to the box's id.
answer_box() {
  local name=$1 key=${2:-Return} try
  wait_for 30 box_up "$name" || fail "no box \"$name\""
  BOX=$(visible_window "$name")
  for try in 1 2 3 4 5 6 7 8; do
    sleep 0.3
    key_into "$BOX" "$key" || true
    if wait_for 3 not still_up "$name" "$BOX"; then return 0; fi
  done
  fail "the box \"$name\" took no $key"
}

window_named() { xdotool search --name "^$1\$" | head -1 | grep -q .; }
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

# ---- The firmware update's windows (firmware_update.sh, bootloader_recovery.sh) ----------------
# $FIRMWARE names the firmware file to choose.

# Types the firmware file's path into the open chooser's "file:" field and opens it (again
# while the chooser is still up: keys sent before it has the keyboard are lost).
choose_firmware() {
  wait_for 20 window_named "Select Firmware binary file" || fail "no firmware chooser"
  local id; id=$(xdotool search --name "^Select Firmware binary file\$" | head -1)
  eval "$(xdotool getwindowgeometry --shell "$id")"
  sleep 0.5
  shot "$1-chooser"
  local try
  for try in 1 2 3; do
    xdotool mousemove $((X + 300)) $((Y + HEIGHT - 64)) click 1
    sleep 0.3
    xdotool key ctrl+a
    xdotool type --delay 5 "$FIRMWARE"
    # A path: the chooser goes to its folder and selects the file; a second Return opens it,
    # when the first did not. Both go into the chooser alone.
    key_into "$id" Return || true
    if ! wait_for 2 box_gone "Select Firmware binary file"; then
      key_into "$id" Return || true
    fi
    xdotool mousemove 5 5
    if wait_for 5 box_gone "Select Firmware binary file"; then return 0; fi
  done
  fail "the chooser did not take the firmware file"
}

box_gone() { ! xdotool search --onlyvisible --name "^$1\$" | head -1 | grep -q .; }

# The progress window while the (slowly acknowledged) packets go out, then the completion box.
watch_update() {
  wait_for 20 window_named "Firmware update:" || fail "no progress window; log: '$(commands)'"
  sleep 1
  shot "$1-progress"
  wait_for 60 window_named "Firmware update: complete" || fail "no completion box; log: '$(commands)'"
  sleep 0.3
  shot "$1-complete"
  answer_box "Firmware update: complete"
}

stop_app() {
  kill "$APP_PID" 2>/dev/null || true
  wait "$APP_PID" 2>/dev/null || true
  APP_PID=""
}

