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
# The instrument's factory settings were read back (aftertouch 0, LFO off, play mode 0, step
# 16), so each click sends the value after them.
sent=$(awk '$1 == "F0" && $2 == "00" && NF == 11 { printf "%s:%s ", $9, $10 }' "$LOG")
[ "$sent" = "13:01 0F:01 2E:01 38:04 13:02 " ] || fail "set messages were '$sent'"
shot after-clicks
exit 0
