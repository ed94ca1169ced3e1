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

# The CONNECT switch, clicked twice: disconnects, then connects and reads back into new pages.
# The aftertouch switch then shows the instrument's value (1, from the click above), so the
# next click sends 2, where a page without read-back would send 1 again.
click_window $((WW - 36)) 15
sleep 0.5
shot disconnected
click_window $((WW - 36)) 15
wait_for 20 read_back_count_is 2 || fail "no second read-back: '$(commands)'"
sleep 0.3
click_page 658 257; wait_for 5 has_sets 13 2 || fail "aftertouch click after reconnecting sent nothing"
[ "$(last_value_of 13)" = 02 ] || fail "after reconnecting the aftertouch click sent $(last_value_of 13), not 02"
shot reconnected
exit 0
