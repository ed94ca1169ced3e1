# No instrument: the retry box; OK searches again, Cancel gives up with the not-connected page.
source "$(dirname "$0")/common.bash"

box_gone() { ! xdotool search --name "^No instrument found\$" | grep -q .; }

start_display
start_app DORVO_SIM_MODEL=none
wait_for 20 window_named "No instrument found" || fail "no retry box"
shot retry-box
xdotool key Return                       # OK: search again
wait_for 5 box_gone || fail "retry box did not close"
wait_for 10 window_named "No instrument found" || fail "no second retry box"
shot retry-box-again
xdotool key Escape                       # Cancel: give up
sleep 0.5
wait_for 5 window_named "No instrument found" || fail "no give-up box"
shot give-up-box
xdotool key Return
wait_for 5 box_gone || fail "give-up box did not close"
sleep 0.3
geometry
[ "$WW" = 795 ] || fail "not-connected window is $WW wide"
shot not-connected
[ -z "$(commands)" ] || fail "something was sent: $(commands)"
exit 0
