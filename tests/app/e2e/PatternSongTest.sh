#!/bin/bash
# A song written with the mouse: a DudeRivi cabled to the master, a pattern
# with one note clicked into the note view, the pattern placed in the
# sequence, the tempo changed; saved through the real dialog and rendered:
# the note sounds at its tick at the new tempo, at its pitch.
PROGRAM="$1"
. "$(dirname "$0")/common.sh"

start
BOX_X=500 BOX_Y=400
add_machine "ZT DudeRivi" $BOX_X $BOX_Y
sleep 0.5
# "Line Out" to the master's input.
cable_to_master $BOX_X $BOX_Y

# Pattern Editor: the machine, "Add", and a note on C-5 (key 60) at tick 2
# (16 pixels a tick from the grid's left edge at x 104).
add_pattern
xdotool mousemove --window "$WINDOW" 144 404 click 1
sleep 0.5

# Sequence Editor: the machine's row, its pattern, placed at unit 0.
place_pattern 0

# "BPM:" to 100.
tool_bar_number 190 100

menu f a
answer_file_dialog "Save Project As" "$WORK/song.vmp"
wait_for '[ -s "$WORK/song.vmp" ]' || fail "Save As wrote nothing"
wait_for '[ "$(title)" = "Velmora Studio - song.vmp" ]' || fail "title '$(title)' after Save As"
quit_program

"$PROGRAM" --render "$WORK/song.vmp" "$WORK/song.wav" --seconds 1 || fail "--render of the saved project"
python3 - "$WORK/song.wav" <<'PY' || fail "the rendered note"
import spectrum, struct, sys

data = open(sys.argv[1], "rb").read()
# The program writes 32-bit float stereo at 44100 Hz; find the data chunk.
at = 12
while data[at:at + 4] != b"data":
    at += 8 + struct.unpack_from("<I", data, at + 4)[0]
count = struct.unpack_from("<I", data, at + 4)[0] // 8
left = struct.unpack_from("<%df" % (2 * count), data, at + 8)[0::2]
# Before its first note the synthesizer gives exact zeros.
onset = next((i for i, x in enumerate(left) if x != 0.0), None)
# Tick 2 at 100 BPM and 16 ticks a beat: 2 × trunc(60 / 1600 × 44100).
expected = 2 * int(60.0 / (100 * 16) * 44100)
assert onset is not None, "silence"
assert abs(onset - expected) <= 64, f"note at frame {onset}, expected {expected}"

# Its key: 60 of the host's note table, 261.63 Hz, the strongest of nearby
# frequencies over 0.09 s of the sounding note. (The synthesizer's own
# tuning is measured by its tests; here the clicked row must give this key
# and no neighbour.)
window = spectrum.hann(left[onset + 1000:onset + 5000])
candidates = [261.63 * 2 ** (c / 1200) for c in range(-300, 301, 2)]
best = max(candidates, key=lambda hz: spectrum.power(window, hz))
# Within a quarter tone: this key and no other.
assert abs(best / 261.63 - 1) < 0.029, f"strongest at {best:.1f} Hz"
print(f"note at frame {onset} (expected {expected}), pitch {best:.1f} Hz")
PY
echo "PASS"
