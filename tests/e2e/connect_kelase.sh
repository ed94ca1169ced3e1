# KelaDorvo SE: start, discover, read back, the three-tab layout; real clicks on controls
# reach the instrument as their set messages.
source "$(dirname "$0")/common.bash"

start_display
start_app DORVO_SIM_MODEL=kelase DORVO_SIM_FIRMWARE=1.0.3.0
wait_for 20 window_named "Dorvo Connection" || fail "no main window"
wait_for 20 read_back_done || fail "read-back: got '$(commands)'"
sleep 0.3
geometry
[ "$WW" = 950 ] && [ "$WH" = 433 ] || fail "window is ${WW}x${WH}, not 950x433"
shot connected

# control (page rectangle centre)        set command
click_page 770 257; wait_for 5 has_sets 13 1 || fail "aftertouch click sent nothing"
click_page 267 131; wait_for 5 has_sets 0F 1 || fail "LFO click sent nothing"
click_page 453 130; wait_for 5 has_sets 2E 1 || fail "play-mode click sent nothing"
click_page 770 129; wait_for 5 has_sets 38 1 || fail "step-size click sent nothing"
click_page 770 257; wait_for 5 has_sets 13 2 || fail "second aftertouch click sent nothing"
first=$(awk '$9 == "13" && NF == 11 { print $10 }' "$LOG" | head -1)
second=$(last_value_of 13)
[ "$first" != "$second" ] || fail "two aftertouch clicks sent the same value $first"
shot after-clicks
exit 0
