# An instrument without active sensing: the read-back works, the next click disconnects with
# "Connection" and sends nothing.
source "$(dirname "$0")/common.bash"

start_display
start_app DORVO_SIM_MODEL=kelase DORVO_SIM_FAULTS=noActiveSensing
wait_for 20 window_named "Dorvo Connection" || fail "no main window"
wait_for 20 read_back_done || fail "read-back: got '$(commands)'"
sleep 0.5
click_page 770 257
wait_for 5 window_named "Connection" || fail "no Connection box"
shot connection-box
[ "$(sets_count 13)" = 0 ] || fail "the click reached the instrument"
answer_box "Connection"
sleep 0.3
shot disconnected
exit 0
