#!/bin/bash
# A session from a fresh configuration: add a "ZT DudeRivi" from the machine
# menu, drag a cable from its "Line Out" to the master, open its default
# editor and move a slider, change the tempo, Save As through the real file
# dialog, quit; then read the file back and render it.
PROGRAM="$1"
. "$(dirname "$0")/common.sh"

start
[ "$(title)" = "Velmora Studio" ] || fail "title '$(title)' at start"

# The machine menu on the studio's background.
BOX_X=500 BOX_Y=400
add_machine "ZT DudeRivi" $BOX_X $BOX_Y
wait_for '[ "$(title)" = "*Velmora Studio" ]' || fail "adding a machine left the title '$(title)'"

# From the box's right connector ("Line Out") to the master's input (the
# master's box stands at (32, 32) of the studio).
cable_to_master $BOX_X $BOX_Y

# Box menu: "Show Default GUI" is its first enabled item.
xdotool mousemove --window "$WINDOW" $((BOX_X + 56)) $((BOX_Y + 10)) click 3
sleep 0.5
xdotool key Down Return
sleep 1

menu f a
answer_file_dialog "Save Project As" "$WORK/before-slider.vmp"
wait_for '[ -s "$WORK/before-slider.vmp" ]' || fail "first Save As wrote nothing"

# "Amp Decay", the second row of the editor: drag its handle to the right.
xdotool mousemove --window "$WINDOW" $((BOX_X + 240)) $((BOX_Y + 91)) mousedown 1
sleep 0.2
xdotool mousemove --window "$WINDOW" $((BOX_X + 270)) $((BOX_Y + 91))
sleep 0.1
xdotool mousemove --window "$WINDOW" $((BOX_X + 290)) $((BOX_Y + 91))
sleep 0.2
xdotool mouseup 1

# "BPM:" to 100.
xdotool mousemove --window "$WINDOW" 190 33 click 1
xdotool key ctrl+a
xdotool type 100
xdotool key Tab
wait_for '[ "$(title)" = "*Velmora Studio - before-slider.vmp" ]' || fail "title '$(title)' after the edits"

menu f a
answer_file_dialog "Save Project As" "$WORK/song.vmp"
wait_for '[ -s "$WORK/song.vmp" ]' || fail "Save As wrote nothing"
wait_for '[ "$(title)" = "Velmora Studio - song.vmp" ]' || fail "title '$(title)' after Save As"
quit_program

# What was saved, field by field.
python3 - "$WORK/before-slider.vmp" "$WORK/song.vmp" <<'PY' || fail "the saved project"
import struct, sys

def machines(path):
    data = open(path, "rb").read()
    assert data[:4] == b" PMV", "magic"
    tempo, tpb, count = struct.unpack_from("<ffi", data, 6)
    at, found = 18, []
    for _ in range(count):
        name = data[at:at + 1024].split(b"\0")[0].decode()
        kind = data[at + 1024:at + 2048].split(b"\0")[0].decode()
        x, y, gui, length = struct.unpack_from("<iiii", data, at + 2048)
        found.append((name, kind, x, y, gui, data[at + 2065:at + 2065 + length]))
        at += 2065 + length
    # Connection block of each machine, then its pattern block.
    connections = []
    for _ in range(count):
        (size,) = struct.unpack_from("<i", data, at)
        block = data[at + 4:at + 4 + size]
        (k,) = struct.unpack_from("<i", block, 0)
        connections += [struct.unpack_from("<iiiid", block, 4 + 24 * i) for i in range(k)]
        at += 4 + size
        (size,) = struct.unpack_from("<i", data, at)
        at += 4 + size
    return tempo, found, connections

_, before, _ = machines(sys.argv[1])
tempo, after, connections = machines(sys.argv[2])
assert tempo == 100.0, f"tempo {tempo}"
assert [m[:2] for m in after] == [("Master", "Master"), ("ZT DudeRivi 1", "VelmPlug::ZT DudeRivi")], after
assert after[1][4] == 1, f"GUI state {after[1][4]}"
# Machine 1's port 1 ("Line Out") into the master's input at full volume.
assert connections == [(1, 1, 0, 0, 1.0)], connections
assert before[1][5] != after[1][5], "the slider changed nothing"
print("saved project as expected")
PY

"$PROGRAM" --render "$WORK/song.vmp" "$WORK/song.wav" --seconds 1 || fail "--render of the saved project"
echo "PASS"
