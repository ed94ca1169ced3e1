# The firmware update, as a person does it, twice:
#  1. KelaDorvo, connected and read: a real click on the update button of the Firmware Update
#     page, a .kfw file typed into JUCE's own file chooser, the progress window, the completion
#     box answered with Return, then the reconnection with its read-back. The update button is
#     clicked a second time while the window stands still after the reboot: that click belongs
#     to the connection the update closed, so exactly one update runs and no second chooser
#     opens.
#  2. KelaDorvo SE starting with outdated firmware (1.0.2.0): OK in the "Firmware version" box,
#     the same chooser, progress and completion, the reconnection reads back, and the instrument
#     runs the new version (1.0.3.0, carried by the image).
#  3. KelaDorvo, connected and read, the aftertouch set to 1: the update button clicked, the
#     chooser cancelled with Escape, "Loading error" answered: the reconnection reads back, so
#     the page shows the instrument's aftertouch and a click on it sends 2.
# The firmware files are written with the system's own container and the firmware key.
source "$(dirname "$0")/common.bash"

BUILD_DIR="$(cd "$(dirname "$APP")/../.." && pwd)"
MAKE_KFW="$BUILD_DIR/dorvo_make_kfw"
[ -x "$MAKE_KFW" ] || fail "no $MAKE_KFW"

IMAGE_BYTES=2000                       # 72 packets of at most 28 bytes
PACKETS=$(( (IMAGE_BYTES + 27) / 28 ))
FIRMWARE="$WORK/update firmware.kfw"   # a blank in the name, as people's files have
"$MAKE_KFW" "$FIRMWARE" $IMAGE_BYTES 1.0.3.0 >/dev/null 2>&1 || fail "could not write $FIRMWARE"

# The boot-loader protocol in the log: Reboot, StartUpdate, every packet, EndOfUpdate.
UPDATE="00 01 $(for _ in $(seq $PACKETS); do printf '03 '; done)02 "

start_display

# ---- 1. From the Firmware Update page ---------------------------------------------------------
LOG="$OUT/instrument-page.log"
start_app DORVO_SIM_MODEL=kela DORVO_SIM_FIRMWARE=1.1.0.0 DORVO_SIM_FAULTS=slowAcks
wait_for 20 window_named "Dorvo Connection" || fail "no main window"
wait_for 20 read_back_done || fail "read-back: got '$(commands)'"
sleep 0.3
# The aftertouch switch goes to 1 on the instrument before the update.
click_page 658 257; wait_for 5 has_sets 13 1 || fail "aftertouch click sent nothing"

click_window 167 15                    # the second tab, "Firmware Update"
sleep 0.5
shot page-firmware-tab
click_page 619 259                     # its update button (584, 232, 70 x 55)
choose_firmware page
# The reboot: the window stands still for 5 s; a second click on the update button meanwhile.
rebooted() { commands | grep -q "^${READ_BACK}13 00 "; }
wait_for 20 rebooted || fail "no reboot: '$(commands)'"
click_page 619 259
watch_update page

# Connected again, and the settings read back: the page shows the instrument's aftertouch (1),
# so a click now sends 2.
wait_for 20 read_back_count_is 2 || fail "no read-back after the update: '$(commands)'"
[ "$(commands)" = "${READ_BACK}13 ${UPDATE}${READ_BACK}" ] || fail "page run heard '$(commands)'"
# The second click started nothing: no chooser, nothing more sent.
sleep 2
box_gone "Select Firmware binary file" || fail "a second update started by itself"
[ "$(commands)" = "${READ_BACK}13 ${UPDATE}${READ_BACK}" ] || fail "after the update heard '$(commands)'"
click_window 50 15                     # the first tab, "Configuration"
sleep 0.3
click_page 658 257; wait_for 5 has_sets 13 2 || fail "aftertouch click after the update sent nothing"
[ "$(last_value_of 13)" = 02 ] || fail "after the update the aftertouch click sent $(last_value_of 13), not 02"
shot page-reconnected
stop_app

# ---- 2. From the start-up prompt of an outdated firmware ---------------------------------------
LOG="$OUT/instrument-startup.log"
start_app DORVO_SIM_MODEL=kelase DORVO_SIM_FIRMWARE=1.0.2.0 DORVO_SIM_FAULTS=slowAcks
wait_for 20 window_named "Firmware version" || fail "no outdated-firmware box: '$(commands)'"
sleep 0.3
shot startup-prompt
answer_box "Firmware version"          # OK
choose_firmware startup
watch_update startup
wait_for 20 read_back_count_is 1 || fail "no read-back after the update: '$(commands)'"
[ "$(commands)" = "3F ${UPDATE}${READ_BACK}" ] || fail "start-up run heard '$(commands)'"
sleep 0.5
click_window 167 15                    # "Firmware Update": the version read by the new connection
sleep 0.5
shot startup-new-version
stop_app

# ---- 3. The chooser cancelled --------------------------------------------------------------------
LOG="$OUT/instrument-cancel.log"
start_app DORVO_SIM_MODEL=kela
wait_for 20 window_named "Dorvo Connection" || fail "no main window"
wait_for 20 read_back_done || fail "read-back: got '$(commands)'"
sleep 0.3
click_page 658 257; wait_for 5 has_sets 13 1 || fail "aftertouch click sent nothing"
click_window 167 15                    # "Firmware Update"
sleep 0.5
click_page 619 259                     # its update button
answer_box "Select Firmware binary file" Escape
answer_box "Loading error"
wait_for 20 read_back_count_is 2 || fail "no read-back after the cancelled update: '$(commands)'"
[ "$(commands)" = "${READ_BACK}13 ${READ_BACK}" ] || fail "cancel run heard '$(commands)'"
click_window 50 15                     # "Configuration"
sleep 0.3
click_page 658 257; wait_for 5 has_sets 13 2 || fail "aftertouch click after the cancel sent nothing"
[ "$(last_value_of 13)" = 02 ] || fail "after the cancel the aftertouch click sent $(last_value_of 13), not 02"
shot cancel-reconnected
exit 0
