# A start right after the last instance quit: the quitting instance no longer listens for the
# hand-over but still holds this user's instance lock for a moment. Here another process holds
# the lock (nobody listening) and lets it go about a second after the start has opened the
# lock file; the start waits for the lock and runs as a first start does: its main window, the
# read-back, no "Multiple instance"; and a later start hands over to it.
source "$(dirname "$0")/common.bash"

start_display
LOCK_FILE="$WORK/instance.socket.lock"
# The holder is no parent of the application, which so inherits nothing of the lock. It lets
# go when told, or when the run ends without telling it (its folder gone), or after a minute.
( exec 7>"$LOCK_FILE"
  flock -n 7 || exit 1
  touch "$WORK/held"
  for _ in $(seq 1200); do
    [ -e "$WORK/let-go" ] || [ ! -d "$WORK" ] && break
    sleep 0.05
  done ) &
HOLDER_PID=$!
wait_for 10 test -e "$WORK/held" || fail "the holder could not take the lock"

start_app DORVO_SIM_MODEL=kela
# The start has the lock file open (it has tried the lock) while the holder still holds it.
wait_for 20 app_has_open "$LOCK_FILE" || fail "the start never opened the lock file"
sleep 1
not window_named "Multiple instance" || fail "the box came while the lock was held"
touch "$WORK/let-go"
wait "$HOLDER_PID" || fail "the holder failed"

wait_for 20 read_back_done || fail "read-back: got '$(commands)'"
[ -n "$(main_window)" ] || fail "no main window"
shot running
not window_named "Multiple instance" || fail "a Multiple instance box opened"

# It listens as a first start does: a second start hands over to it.
DORVO_INSTANCE_SOCKET="$WORK/instance.socket" DORVO_MIDI=virtual DORVO_SIM_MODEL=none \
  timeout 10 "$APP" >"$OUT/second.out" 2>&1 || fail "the second start did not end by itself (rc $?)"
wait_for 5 window_named "Multiple instance" || fail "no Multiple instance box in the running instance"
kill -0 "$APP_PID" || fail "the running instance ended"
exit 0
