#!/bin/bash
# View -> Options in the real program: the "Wave Out" driver and the ALSA
# capture device chosen with the mouse and keys, "Apply", and the playing
# song arrives in the capture; then a plug-in folder added on "VST Paths"
# and its plug-in added from the studio's machine menu without a restart.
PROGRAM="$1"
DEMO="$2"
PLUGIN="$3"
. "$(dirname "$0")/common.sh"

export ALSA_CONFIG_PATH="$(dirname "$0")/../../audio/TestDevices.conf"
export VELMORA_TEST_PCM_FILE="$WORK/capture.raw"
mkdir -p "$WORK/vst"
cp "$PLUGIN" "$WORK/vst/"
cp "$DEMO" "$WORK/song.vmp"
null_driver_options

start "$WORK/song.vmp"
demo_machines=$(machine_count "$WORK/song.vmp")

# Play the song (the space bar plays from every tab) through "Null".
xdotool windowfocus --sync "$WINDOW" key space
sleep 0.5
[ ! -e "$WORK/capture.raw" ] || fail "the capture was written before Wave Out was chosen"

choose_wave_out_capture
wait_for '[ -s "$WORK/capture.raw" ] && [ $(stat -c %s "$WORK/capture.raw") -gt 200000 ]' \
  || fail "nothing played into the capture after Apply"
python3 - "$WORK/capture.raw" <<'PY' || fail "the capture holds only silence"
import struct, sys
data = open(sys.argv[1], "rb").read()
samples = struct.unpack("<%dh" % (len(data) // 2), data[: len(data) // 2 * 2])
sys.exit(0 if max(abs(s) for s in samples) > 300 else 1)
PY

# "VST Paths": "Add Path..." and the folder browser, then "Apply".
xdotool mousemove --window "$DIALOG" 50 80 click 1
sleep 0.5
# "Add Path..." sits at (8, height - 32) of the page.
xdotool mousemove --window "$DIALOG" 160 270 click 1
answer_file_dialog "Select VST PlugIn Folder" "$WORK/vst"
sleep 0.5
xdotool mousemove --window "$DIALOG" 600 300 click 1
sleep 1
xdotool windowfocus --sync "$DIALOG" key Escape
sleep 0.5

# The machine menu: the plug-in is its last entry.
xdotool windowfocus --sync "$WINDOW"
xdotool mousemove --window "$WINDOW" 700 600 click 3
sleep 0.5
xdotool key Up Return
sleep 0.5
menu f a
answer_file_dialog "Save Project As" "$WORK/with-plugin.vmp"
wait_for '[ -s "$WORK/with-plugin.vmp" ]' || fail "Save As wrote nothing"
[ "$(machine_count "$WORK/with-plugin.vmp")" = $((demo_machines + 1)) ] || fail "the plug-in machine was not added"
grep -q "VST::" "$WORK/with-plugin.vmp" || fail "the added machine is not the plug-in"

quit_program
python3 - "$XDG_CONFIG_HOME/Velmora Studio/Velmora.opt" "$WORK/vst" <<'PY' || fail "the options file does not hold the choices"
import struct, sys
data = open(sys.argv[1], "rb").read()
driver = struct.unpack_from("<i", data, 8)[0]
count = struct.unpack_from("<i", data, 52)[0]
assert driver == 1, driver
assert count == 1 and sys.argv[2].encode() in data, data[52:]
PY
echo "PASS"
