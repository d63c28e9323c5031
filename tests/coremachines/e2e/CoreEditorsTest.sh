#!/bin/bash
# Each core machine's own editor in the real program: added from the machine
# menu, "Show Custom GUI" opens the editor in its box (the box's area shows
# the editor's picture), "Hide GUI" closes it again, then the machine goes.
PROGRAM="$1"
. "$(dirname "$0")/../../app/e2e/common.sh"

# The standard deviation of a region of the screen, 0 … 1: a flat
# background is near 0, an editor's controls are not.
region_spread() {
  import -window root "$WORK/shot.png" 2>/dev/null
  convert "$WORK/shot.png" -crop "$1" -colorspace gray -format '%[fx:standard_deviation]' info:
}

start
BOX_X=360 BOX_Y=300
# Tall enough for an editor below a box with many ports (the mixer).
AREA="560x360+$((BOX_X + 4))+$((BOX_Y + 30))"
for TYPE in "ZT DudeRivi" "ZT Vorize" "ZT Distort" "ZT DUzoV8" "ZT DizodirEzav" "ZT ViziRavez" "ZT Mixer"; do
  add_machine "$TYPE" $BOX_X $BOX_Y
  sleep 0.5
  # The box alone, to compare with.
  before=$(region_spread "$AREA")
  # Box menu: "Hide GUI" is greyed, so Down, Down is "Show Custom GUI".
  xdotool mousemove --window "$WINDOW" $((BOX_X + 40)) $((BOX_Y + 10)) click 3
  sleep 0.5
  xdotool key Down Down Return
  sleep 1.5
  shown=$(region_spread "$AREA")
  python3 -c "import sys; sys.exit(0 if float('$shown') > float('$before') + 0.04 else 1)" ||
    fail "$TYPE: no editor in its box (spread $before with the box alone, $shown with it)"
  # "Hide GUI", the first item, is enabled now.
  xdotool mousemove --window "$WINDOW" $((BOX_X + 40)) $((BOX_Y + 10)) click 3
  sleep 0.5
  xdotool key Down Return
  sleep 1
  hidden=$(region_spread "$AREA")
  python3 -c "import sys; sys.exit(0 if abs(float('$hidden') - float('$before')) < 0.03 else 1)" ||
    fail "$TYPE: the editor stayed after Hide GUI (spread $before with the box alone, $hidden after)"
  # "Delete Machine", the last item.
  xdotool mousemove --window "$WINDOW" $((BOX_X + 40)) $((BOX_Y + 10)) click 3
  sleep 0.5
  xdotool key Up Return
  sleep 0.5
  kill -0 "$PID" 2>/dev/null || fail "$TYPE: the program ended"
done
# The program's own error boxes (plug-ins print what they like).
grep -E "Failed In|^Velmora: " "$WORK/stderr" && fail "error boxes on standard error"
echo "PASS"
