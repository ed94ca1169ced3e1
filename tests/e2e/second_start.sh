# A second start hands over to the running instance, which shows "Multiple instance".
source "$(dirname "$0")/common.bash"

start_display
start_app DORVO_SIM_MODEL=kela
wait_for 20 read_back_done || fail "read-back: got '$(commands)'"
DORVO_INSTANCE_SOCKET="$WORK/instance.socket" DORVO_MIDI=virtual DORVO_SIM_MODEL=none \
  timeout 10 "$APP" >"$OUT/second.out" 2>&1 || fail "the second start did not end by itself (rc $?)"
wait_for 5 window_named "Multiple instance" || fail "no Multiple instance box"
shot multiple-instance
kill -0 "$APP_PID" || fail "the running instance ended"
exit 0
