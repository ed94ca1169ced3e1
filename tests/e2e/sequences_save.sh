# KelaDorvo SE, Sequences page: real clicks on "save sequences" with a file name typed into
# the chooser, OK (Return) and Cancel (Escape) on "Generate MidiFiles?", the sequence file and
# the MIDI files on disk; then "load sequences" of a file through the chooser, its sequences
# reaching the instrument (SetSeqPattern, command 3A, in the instrument's log); last "reset all
# sequences", confirmed, sending the factory set.
source "$(dirname "$0")/common.bash"

SAVED="$WORK/saved"
mkdir -p "$SAVED"

# The window's title bar is not there (no window manager): the tabs sit at the window's top.
SEQUENCES_TAB_X=276
SEQUENCES_TAB_Y=14

# The window named exactly $1 (its title taken literally, "?" included), when it is up.
visible() {
  local pattern; pattern=$(printf '%s' "$1" | sed 's/[][\.*^$?+(){}|]/\\&/g')
  xdotool search --onlyvisible --name "^$pattern\$" 2>/dev/null | head -1
}
shown() { [ -n "$(visible "$1")" ]; }
gone() { [ -z "$(visible "$1")" ]; }

# Clicks the chooser's "file:" field, types a full path and confirms it: the first Return
# takes the folder and the name, the second one chooses.
choose_file() {
  local title=$1 path=$2 id
  wait_for 10 shown "$title" || fail "no \"$title\" chooser"
  id=$(visible "$title")
  eval "$(xdotool getwindowgeometry --shell "$id")"
  sleep 0.3
  shot "chooser-$(echo "$title" | tr ' A-Z' '-a-z')"
  xdotool mousemove $((X + 309)) $((Y + 436)) click 1
  xdotool type --delay 5 "$path"
  # Return takes the folder and the name; a second one chooses, when the first did not. Both go
  # into the chooser alone, so no stray key can answer the box that comes next.
  key_into "$id" Return || true
  wait_for 2 gone "$title" && return 0
  key_into "$id" Return || true
  wait_for 10 gone "$title" || fail "the \"$title\" chooser did not close"
}

# Answers "Generate MidiFiles?" with the key given (Return: OK, Escape: Cancel).
answer_midi_question() {
  wait_for 30 shown "Generate MidiFiles?" || fail "no \"Generate MidiFiles?\" box"
  sleep 0.3
  shot "midi-question"
  answer_box "Generate MidiFiles?" "$1"
}

requests_of_saves() { commands | grep -o "37 39 3B 3B 3B 3B 3B 3B 3B 3B 3B 3B 3B 3B" | wc -l; }
saves_done() { [ "$(requests_of_saves)" -ge "$1" ]; }

start_display
start_app DORVO_SIM_MODEL=kelase DORVO_SIM_FIRMWARE=1.0.3.0
wait_for 20 window_named "Dorvo Connection" || fail "no main window"
wait_for 20 read_back_done || fail "read-back: got '$(commands)'"
sleep 0.3
click_window $SEQUENCES_TAB_X $SEQUENCES_TAB_Y
sleep 0.5
shot sequences-page

# --- Save with MIDI files: typed without an extension, written as songs.kdseq.
click_page 729 259
choose_file "Save Sequences" "$SAVED/songs"
answer_midi_question Return
wait_for 10 test -s "$SAVED/songs.kdseq_6.mid" || fail "no MIDI files: $(ls "$SAVED")"
saves_done 1 || fail "the save's requests were not heard: $(commands)"

# The simulated instrument's own six sequences, as the file must hold them.
printf '%s\r\n' \
  "1:48 53 58 63 68 73 x 83" \
  "2:55 60 65 70 75 80 x 54 59 64 69 74 79 x 53 58" \
  "3:62 67 72 77 82 51 x 61 66 71 76 81 50 x 60 65 70 75 80 49 x 59 64 69" \
  "4:69 74 79 48 53 58 x 68 73 78 83 52 57 x 67 72 77 82 51 56 x 66 71 76 81 50 55 x 65 70 75 80" \
  "5:76 81 50 55 60 65 x 75 80 49 54 59 64 x 74 79 48 53 58 63 x 73 78 83 52 57 62 x 72 77 82 51 56 61 x 71 76 81 50 55" \
  "6:83 52 57 62 67 72 x 82 51 56 61 66 71 x 81 50 55 60 65 70 x 80 49 54 59 64 69 x 79 48 53 58 63 68 x 78 83 52 57 62 67 x 77 82 51 56 61 66" \
  > "$WORK/expected.kdseq"
cmp "$SAVED/songs.kdseq" "$WORK/expected.kdseq" || fail "songs.kdseq differs: $(od -c "$SAVED/songs.kdseq" | head -5)"
[ "$(ls "$SAVED" | tr '\n' ' ')" = "songs.kdseq songs.kdseq_1.mid songs.kdseq_2.mid songs.kdseq_3.mid songs.kdseq_4.mid songs.kdseq_5.mid songs.kdseq_6.mid " ] \
  || fail "files saved: $(ls "$SAVED" | tr '\n' ' ')"

# Step size 16 and gate length 2 (the instrument's settings): 48 ticks a step, 24 a note.
notes=$(/usr/bin/python3 - "$SAVED/songs.kdseq_1.mid" <<'EOF'
import sys, mido
f = mido.MidiFile(sys.argv[1])
now, out = 0, [f"type{f.type} {f.ticks_per_beat} tracks{len(f.tracks)}"]
for m in f.tracks[0]:
    now += m.time
    out.append(f"{m.type}:{m.note}@{now}" if m.type.startswith("note") else f"{m.type}@{now}")
print(" ".join(out))
EOF
) || fail "mido could not read songs.kdseq_1.mid"
expected_notes="type1 192 tracks1"
for step in 0:48 1:53 2:58 3:63 4:68 5:73 7:83; do
  j=${step%%:*}; n=${step##*:}
  expected_notes+=" note_on:$n@$((48 * j)) note_off:$n@$((48 * j + 24))"
done
expected_notes+=" end_of_track@$((48 * 7 + 24))"
[ "$notes" = "$expected_notes" ] || fail "mido read '$notes'"
shot after-save

# --- Save again under another name, Cancel on the MIDI question: the sequence file alone.
click_page 729 259
choose_file "Save Sequences" "$SAVED/plain.kdseq"
answer_midi_question Escape
wait_for 10 test -s "$SAVED/plain.kdseq" || fail "plain.kdseq was not written"
cmp "$SAVED/plain.kdseq" "$WORK/expected.kdseq" || fail "plain.kdseq differs"
ls "$SAVED" | grep -q "^plain.kdseq_" && fail "MIDI files written after Cancel: $(ls "$SAVED" | tr '\n' ' ')"

# --- Load a file of the user's: its two sequences reach the instrument.
printf '1:60 62 x 64\r\n3:72\r\n' > "$SAVED/mine.kdseq"
seq_sets() { awk '$1 == "F0" && $2 == "00" && $9 == "3A" && NF == 45 { print $10, $12, $13, $14, $15, $16, $17 }' "$LOG"; }
has_seq_sets() { [ "$(seq_sets | wc -l)" -ge "$1" ]; }
click_page 568 259
choose_file "Load Sequences" "$SAVED/mine.kdseq"
wait_for 10 has_seq_sets 2 || fail "the load sent '$(seq_sets)'"
sleep 0.3
[ "$(seq_sets | tr '\n' '|')" = "00 04 3C 3E 7F 40 00|02 01 48 00 00 00 00|" ] || fail "the load sent '$(seq_sets | tr '\n' '|')'"
gone "Sequence file parsing error" || fail "a parsing error was shown"
shot after-load

# --- Reset all sequences, confirmed with Return: the six factory sequences in seven messages
# (index, offset, step count).
click_page 339 259
wait_for 10 shown "Reset All Sequences" || fail "no \"Reset All Sequences\" box"
sleep 0.3
shot factory-question
answer_box "Reset All Sequences" Return
factory() { awk '$1 == "F0" && $2 == "00" && $9 == "3A" && NF == 45 { n++; if (n > 2) printf "%s %s %s|", $10, $11, $12 }' "$LOG"; }
FACTORY="00 00 10|01 00 10|02 00 20|03 00 20|04 00 20|05 00 20|05 20 20|"
factory_sent() { [ "$(factory)" = "$FACTORY" ]; }
wait_for 10 factory_sent || fail "the factory reset sent '$(factory)'"
exit 0
