# No instrument: the retry box; OK searches again, Cancel gives up with the not-connected page.
source "$(dirname "$0")/common.bash"

# Every box is a window of its own, so a box that comes again has another id.
box() { xdotool search --onlyvisible --name "^No instrument found\$" 2>/dev/null | head -1; }
box_other_than() { local id; id=$(box); [ -n "$id" ] && [ "$id" != "$1" ]; }
no_box() { [ -z "$(box)" ]; }

start_display
start_app DORVO_SIM_MODEL=none
wait_for 20 box_other_than none || fail "no retry box"
first=$(box)
sleep 0.3
shot retry-box
key_to "$first" Return                   # OK: search again
wait_for 10 box_other_than "$first" || fail "no second retry box"
second=$(box)
sleep 0.3
shot retry-box-again
key_to "$second" Escape                  # Cancel: give up
wait_for 10 box_other_than "$second" || fail "no give-up box"
third=$(box)
sleep 0.3
shot give-up-box
key_to "$third" Return
wait_for 5 no_box || fail "give-up box did not close"
sleep 0.3
geometry
[ "$WW" = 795 ] || fail "not-connected window is $WW wide"
shot not-connected
[ -z "$(commands)" ] || fail "something was sent: $(commands)"
exit 0
