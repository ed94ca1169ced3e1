# An instrument left in its boot loader (an update that did not complete): the start-up search
# finds no running instrument but the boot loader, and offers the update. OK, the firmware file
# typed into the chooser, the progress window without a reboot, the completion box, then the
# connection to the instrument running again, read back, in the KelaDorvo SE's window.
source "$(dirname "$0")/common.bash"

BUILD_DIR="$(cd "$(dirname "$APP")/../.." && pwd)"
MAKE_KFW="$BUILD_DIR/dorvo_make_kfw"
[ -x "$MAKE_KFW" ] || fail "no $MAKE_KFW"

IMAGE_BYTES=1000
PACKETS=$(( (IMAGE_BYTES + 27) / 28 ))
FIRMWARE="$WORK/recovery.kfw"
"$MAKE_KFW" "$FIRMWARE" $IMAGE_BYTES 1.0.4.0 >/dev/null 2>&1 || fail "could not write $FIRMWARE"
# No reboot: StartUpdate, every packet, EndOfUpdate; then the connection's read-back.
UPDATE="01 $(for _ in $(seq $PACKETS); do printf '03 '; done)02 "

start_display
start_app DORVO_SIM_MODEL=bootloader DORVO_SIM_FAULTS=slowAcks
wait_for 30 box_up "Firmware update" || fail "no update offered: '$(commands)'"
sleep 0.3
shot offer
box_up "No instrument found" && fail "the retry box came before the offer"
answer_box "Firmware update"           # OK
choose_firmware recovery
watch_update recovery
wait_for 20 read_back_count_is 1 || fail "no read-back after the update: '$(commands)'"
[ "$(commands)" = "${UPDATE}${READ_BACK}" ] || fail "heard '$(commands)'"
sleep 0.5
geometry
[ "$WW" = 950 ] || fail "the window is $WW wide, not the KelaDorvo SE's 950"
click_window 167 15                    # the second tab, "Firmware Update": the new version
sleep 0.5
shot recovered
exit 0
