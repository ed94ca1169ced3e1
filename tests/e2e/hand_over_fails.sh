# A start that finds this user's instance lock taken but nobody listening for the hand-over
# (the running instance not listening yet, or hung) waits 3 s for the lock; when it is still
# held after that, the start shows "Multiple instance" itself and ends; it never quits without
# a word.
source "$(dirname "$0")/common.bash"

start_display
LOCK_FILE="$WORK/instance.socket.lock"
exec 7>"$LOCK_FILE"
flock -n 7 || fail "could not take the lock"
started=$(now_ms)
start_app DORVO_SIM_MODEL=kela
wait_for 20 app_has_open "$LOCK_FILE" || fail "the start never opened the lock file"
tried=$(now_ms)
wait_for 20 window_named "Multiple instance" || fail "no Multiple instance box"
shown=$(now_ms)
shot multiple-instance
echo "the lock file open after $((tried - started)) ms, the box $((shown - tried)) ms later"
# Not before the wait is over; and soon after it (about 5 s in the plain build: the rest is room
# for the sanitizer builds' slower start on a busy machine).
[ $((shown - started)) -ge 3000 ] || fail "the box came $((shown - started)) ms after the start, before its 3 s wait was over"
[ $((shown - tried)) -le 10000 ] || fail "the box came only $((shown - tried)) ms after the start tried the lock"
[ -z "$(main_window)" ] || fail "a main window opened"
answer_box "Multiple instance" Return
wait_for 10 bash -c "! kill -0 $APP_PID 2>/dev/null" || fail "the start did not end after the box"
APP_PID=""
exit 0
