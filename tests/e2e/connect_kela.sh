# KelaDorvo: start, discover, read back, the two-tab layout; clicks reach the instrument.
source "$(dirname "$0")/common.bash"

start_display
start_app DORVO_SIM_MODEL=kela DORVO_SIM_FIRMWARE=1.1.0.0
wait_for 20 window_named "Dorvo Connection" || fail "no main window"
wait_for 20 read_back_done || fail "read-back: got '$(commands)'"
sleep 0.3
geometry
[ "$WW" = 795 ] && [ "$WH" = 433 ] || fail "window is ${WW}x${WH}, not 795x433"
shot connected

click_page 658 138; wait_for 5 has_sets 25 1 || fail "arpeggiator-hold click sent nothing"
click_page 658 257; wait_for 5 has_sets 13 1 || fail "aftertouch click sent nothing"
click_page 546 142; wait_for 5 has_sets 0D 1 || fail "legato click sent nothing"
shot after-clicks
exit 0
