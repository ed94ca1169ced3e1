# No instrument: the retry box; OK searches again, Cancel gives up with the not-connected page.
source "$(dirname "$0")/common.bash"

# Whether a box of that name other than the one with the id $1 is up.
another_box() { xdotool search --onlyvisible --name "^No instrument found\$" 2>/dev/null | grep -vxq "$1"; }

start_display
start_app DORVO_SIM_MODEL=none
wait_for 20 box_up "No instrument found" || fail "no retry box"
sleep 0.3
shot retry-box
answer_box "No instrument found" Return   # OK: search again
first=$BOX
wait_for 10 another_box "$first" || fail "no second retry box"
sleep 0.3
shot retry-box-again
answer_box "No instrument found" Escape   # Cancel: give up
second=$BOX
[ "$second" != "$first" ] || fail "the same box twice"
wait_for 10 another_box "$second" || fail "no give-up box"
sleep 0.3
shot give-up-box
answer_box "No instrument found" Return   # the give-up box, gone once answered
sleep 0.3
geometry
[ "$WW" = 795 ] || fail "not-connected window is $WW wide"
shot not-connected
[ -z "$(commands)" ] || fail "something was sent: $(commands)"
exit 0
