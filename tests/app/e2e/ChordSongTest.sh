#!/bin/bash
# A chord progression written and heard without leaving the window: a
# DudeRivi, a pattern with four notes clicked into the note view and one
# velocity point, the pattern placed twice in the song, played through
# "Wave Out" into the ALSA capture device. Every note must sound at the
# frame its tick gives and at its key's pitch; the saved project reopens,
# and the program's own reader finds what was clicked.
PROGRAM="$1"
DUMP="$2"
PLUGINS="$3"
. "$(dirname "$0")/common.sh"

export ALSA_CONFIG_PATH="$(dirname "$0")/../../audio/TestDevices.conf"
export VELMORA_TEST_PCM_FILE="$WORK/capture.raw"
null_driver_options

start
BOX_X=100 BOX_Y=150
add_machine "ZT DudeRivi" $BOX_X $BOX_Y
sleep 0.5
# "Line Out" to the master's input.
cable_to_master $BOX_X $BOX_Y
sleep 0.3

# A crisp patch in the synthesizer's own editor ("Show Custom GUI", the
# box menu's third item): no amplitude attack, both filters open. Each note
# then starts with its first sample, so its onset shows in the capture.
xdotool mousemove --window "$WINDOW" $((BOX_X + 40)) $((BOX_Y + 10)) click 3
sleep 0.5
xdotool key Down Down Return
sleep 1.5
# fader X FROM TO: drags a fader's knob.
fader() {
  xdotool mousemove --window "$WINDOW" "$1" "$2" mousedown 1
  sleep 0.2
  xdotool mousemove --window "$WINDOW" "$1" $((($2 + $3) / 2))
  sleep 0.1
  xdotool mousemove --window "$WINDOW" "$1" "$3"
  sleep 0.2
  xdotool mouseup 1
  sleep 0.3
}
fader 126 407 470   # "Amp Attack" to 0
fader 446 283 180   # "VCF1 Cutoff" to 1
fader 546 287 180   # "VCF2 Cutoff" to 1

# Pattern Editor: a pattern for the machine, "Note Length" 4.
add_pattern
xdotool mousemove --window "$WINDOW" 105 125 click --repeat 2 1
xdotool key ctrl+a
xdotool type 4
xdotool key Tab
sleep 0.3

# I-IV-V-vi: C-5, F-5, G-5, A-4 at ticks 0, 16, 32, 48. The grid starts at
# x 104 with 16 pixels a tick; the row of C-5 is at y 404, 16 pixels a key.
NOTES="0:60 16:65 32:67 48:57"
for note in $NOTES; do
  tick=${note%:*} key=${note#*:}
  xdotool mousemove --window "$WINDOW" $((104 + tick * 16 + 8)) $((404 - (key - 60) * 16)) click 1
  sleep 0.3
done
# The velocity lane ("Add Track" with "Velocity" chosen), its point at the
# third note's tick set to half height: 114 pixels span 0 … 1 from y 565.
xdotool mousemove --window "$WINDOW" 226 549 click 1
sleep 0.5
xdotool mousemove --window "$WINDOW" $((104 + 32 * 16 + 8)) 622 click 1
sleep 0.3

# Sequence Editor: the pattern placed at units 0 and 20.
ENTRIES="0 20"
place_pattern $ENTRIES

# "TPB:" 4: a tick of 4725 frames at the new project's 140 BPM, so each note's
# release has died away before the next (its onset is then plain to see).
tool_bar_number 280 4

# "Wave Out" on the capture device, and the dialog closed.
choose_wave_out_capture
xdotool windowfocus --sync "$DIALOG" key Escape
sleep 0.5

# Play: the space bar; the song stops at its end. Waits until the capture
# holds the song from the press on: 36 units of 4 ticks, and a second more.
before=$(stat -c %s "$WORK/capture.raw")
xdotool windowfocus --sync "$WINDOW" key space
song_bytes=$(( (36 * 4 * 60 * 44100 / (140 * 4) + 44100) * 4 ))
for _ in $(seq 600); do
  [ $(stat -c %s "$WORK/capture.raw") -gt $((before + song_bytes)) ] && break
  sleep 0.1
done
[ $(stat -c %s "$WORK/capture.raw") -gt $((before + song_bytes)) ] || fail "the song did not play into the capture"

menu f a
answer_file_dialog "Save Project As" "$WORK/song.vmp"
wait_for '[ -s "$WORK/song.vmp" ]' || fail "Save As wrote nothing"
wait_for '[ "$(title)" = "Velmora Studio - song.vmp" ]' || fail "title '$(title)' after Save As"
quit_program

# Reopened in the window (an error box would keep File -> Exit from ending
# it), playing into a capture of its own.
export VELMORA_TEST_PCM_FILE="$WORK/reopened.raw"
start "$WORK/song.vmp"
wait_for '[ "$(title)" = "Velmora Studio - song.vmp" ]' || fail "title '$(title)' after reopening"
quit_program

"$DUMP" "$PLUGINS" "$WORK/song.vmp" >"$WORK/song.txt" || fail "the reader does not read the saved project"
cat "$WORK/song.txt"
python3 - "$WORK/song.txt" "$WORK/capture.raw" "$NOTES" "$ENTRIES" <<'PY' || fail "the song as saved or as heard"
import spectrum, struct, sys

dump = [line.rstrip("\n").split("\t") for line in open(sys.argv[1])]
clicked = [tuple(map(int, n.split(":"))) for n in sys.argv[3].split()]
entries = [int(u) for u in sys.argv[4].split()]

# What was clicked is what the reader finds.
samples_per_tick = int(next(l for l in dump if l[0] == "clock")[3])
notes = sorted((int(l[1]), int(l[2]), int(l[3])) for l in dump if l[0] == "note")
assert notes == [(tick, 4, key) for tick, key in clicked], notes
velocity = [(int(l[1]), float(l[2])) for l in dump if l[0] == "velocity"]
assert len(velocity) == 1 and velocity[0][0] == 32 and 0.4 < velocity[0][1] < 0.6, velocity
placed = [int(l[2]) for l in dump if l[0] == "entry"]
assert placed == entries, placed

data = open(sys.argv[2], "rb").read()
left = struct.unpack("<%dh" % (len(data) // 4 * 2), data[: len(data) // 4 * 4])[0::2]
# Silence until the song starts; its first note is at tick 0.
song_start = next((i for i, x in enumerate(left) if x != 0), None)
assert song_start is not None, "the capture is silent"

def onset(expected):
    # The first sound near where its tick puts it, after a fifth of a
    # second of silence (the release before it has died away).
    at = next((i for i in range(expected - 2000, expected + 2000) if left[i] != 0), None)
    assert at is not None, f"nothing sounds near frame {expected - song_start}"
    assert not any(left[at - 8820:at]), f"no silence before frame {at - song_start}"
    return at

def strongest(start, hz):
    window = spectrum.hann(left[start:start + 8000])
    at = lambda f: spectrum.power(window, f)
    # Within three semitones, then finely around the winner. The second
    # oscillator's 0.1 semitone of detune pulls the peak up by 0.3 %.
    coarse = max((hz * 2 ** (c / 1200) for c in range(-300, 301, 10)), key=at)
    return max((coarse * 2 ** (c / 1200) for c in range(-10, 11)), key=at)

for unit in entries:
    for tick, key in clicked:
        expected = song_start + (unit * 4 + tick) * samples_per_tick
        heard = expected if (unit, tick) == (0, 0) else onset(expected)
        assert abs(heard - expected) <= 64, \
            f"key {key} at unit {unit} tick {tick}: frame {heard - song_start}, expected {expected - song_start}"
        hz = 440.0 * 2 ** ((key - 69) / 12)
        found = strongest(heard + 1500, hz)
        assert abs(found / hz - 1) < 0.005, f"key {key}: {found:.2f} Hz, expected {hz:.2f}"
        print(f"unit {unit} tick {tick}: frame {heard - song_start} (expected {expected - song_start}), "
              f"{found:.2f} Hz (key {key}: {hz:.2f})")
PY
echo "PASS"
