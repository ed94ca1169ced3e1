# A start that finds this user's instance lock taken but nobody listening for the hand-over
# (the running instance not listening yet, or any more) shows "Multiple instance" itself and
# ends; it never quits without a word.
source "$(dirname "$0")/common.bash"

start_display
exec 7>"$WORK/instance.socket.lock"
flock -n 7 || fail "could not take the lock"
start_app DORVO_SIM_MODEL=kela
wait_for 20 window_named "Multiple instance" || fail "no Multiple instance box"
shot multiple-instance
[ -z "$(main_window)" ] || fail "a main window opened"
answer_box "Multiple instance"
wait_for 10 bash -c "! kill -0 $APP_PID 2>/dev/null" || fail "the start did not end after the box"
APP_PID=""
exit 0
