# Shared by the end-to-end tests: the real program under Xvfb, driven by
# xdotool. Sourced with PROGRAM set; each test runs in its own folder.
set -u
WORK=$(mktemp -d /tmp/velmora-e2e.XXXXXX)
trap 'cleanup' EXIT
export XDG_CONFIG_HOME="$WORK/config" XDG_RUNTIME_DIR="$WORK/runtime"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM=xcb VELMORA_TRACE=1 JACK_NO_START_SERVER=1
# The Python checks import their shared helpers from here.
export PYTHONPATH="$(cd "$(dirname "$0")" && pwd)"
PID=""

cleanup() {
  if [ -n "$PID" ] && kill -0 "$PID" 2>/dev/null; then kill "$PID"; wait "$PID" 2>/dev/null; fi
  if [ "${KEEP_E2E:-0}" != 1 ]; then rm -rf "$WORK"; fi
}

fail() {
  echo "FAIL: $*" >&2
  import -window root "$WORK/failure.png" 2>/dev/null && echo "screen: $WORK/failure.png" >&2
  echo "--- program's standard error:" >&2
  cat "$WORK/stderr" >&2
  KEEP_E2E=1
  exit 1
}

# start [ARGUMENTS...]: the program, and its main window once it shows.
start() {
  "$PROGRAM" "$@" >"$WORK/stdout" 2>"$WORK/stderr" &
  PID=$!
  WINDOW=""
  for _ in $(seq 600); do
    WINDOW=$(xdotool search --onlyvisible --name '^\*?Velmora Studio( - .*)?$' 2>/dev/null | head -1)
    [ -n "$WINDOW" ] && break
    sleep 0.2
  done
  [ -n "$WINDOW" ] || fail "no main window"
}

# The first visible window whose whole name is $1, waiting for it.
window_named() {
  # A search fails (BadWindow) when a window goes while it walks the tree,
  # as a closing file dialog does: search again.
  local found=""
  for _ in $(seq 100); do
    found=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1)
    [ -n "$found" ] && break
    sleep 0.2
  done
  echo "$found"
}

title() { xdotool getwindowname "$WINDOW"; }

# menu KEY...: opens the File/View/Help menu by its mnemonic and walks it.
menu() {
  xdotool windowfocus --sync "$WINDOW"
  xdotool key "alt+$1"
  sleep 0.3
  shift
  for k in "$@"; do xdotool key "$k"; sleep 0.1; done
}

# answer_file_dialog PATH: types into the file dialog that has the focus.
answer_file_dialog() {
  local dialog
  dialog=$(window_named "$1") || true
  sleep 0.5
  xdotool type --delay 5 "$2"
  xdotool key Return
}

# Waits until the condition command succeeds (at most 20 s).
wait_for() {
  for _ in $(seq 200); do
    if eval "$1"; then return 0; fi
    sleep 0.1
  done
  return 1
}

# The machine count in a project file's header (the loader itself is
# checked by rendering the file with --render).
machine_count() {
  python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(); print(struct.unpack("<i", d[14:18])[0])' "$1"
}

# add_machine TYPE X Y: the machine menu at (X, Y) of the studio, walked
# down to TYPE (the menu lists the types in the program's order, without
# the master).
add_machine() {
  local n
  n=$("$PROGRAM" --list-machines 2>/dev/null | cut -f1 | grep -v -x Master | grep -n -x -F "$1" | head -1 | cut -d: -f1)
  [ -n "$n" ] || fail "no machine type '$1'"
  xdotool mousemove --window "$WINDOW" "$2" "$3" click 3
  sleep 0.5
  for _ in $(seq "$n"); do xdotool key Down; done
  xdotool key Return
}

# cable_to_master X Y: drags from the right connector ("Line Out") of the
# box at (X, Y) to the master's input (the master's box stands at (32, 32)
# of the studio).
cable_to_master() {
  xdotool mousemove --window "$WINDOW" $(($1 + 113)) $(($2 + 9)) mousedown 1
  sleep 0.2
  xdotool mousemove --window "$WINDOW" 300 300
  sleep 0.2
  xdotool mousemove --window "$WINDOW" 40 122
  sleep 0.2
  xdotool mouseup 1
}

# Options of a user who plays through "Null" and has no plug-in folders.
null_driver_options() {
  mkdir -p "$XDG_CONFIG_HOME/Velmora Studio"
  python3 - "$XDG_CONFIG_HOME/Velmora Studio/Velmora.opt" <<'PY'
import struct, sys
open(sys.argv[1], "wb").write(struct.pack("<4si9i2ii", b"pOmV", 3, 0, 512, 0x800, 0, 2048, 0x800, 0, 0, 4, 0, 0, 0))
PY
}

# View -> Options: "Wave Out" (the entry after "Null") on the ALSA capture
# device of the test configuration, found by typing its name; "Apply", and
# the capture starts. Leaves the dialog open in $DIALOG.
choose_wave_out_capture() {
  menu v o
  DIALOG=$(window_named Options)
  [ -n "$DIALOG" ] || fail "no options dialog"
  # The "Drivers" drop-down at (168, 24) of the page at (112, 8).
  xdotool mousemove --window "$DIALOG" 220 44 click 1
  sleep 0.5
  xdotool key Down Return
  sleep 0.5
  # The frame's "Device" drop-down.
  xdotool mousemove --window "$DIALOG" 260 96 click 1
  sleep 0.5
  xdotool type --delay 20 "velmora_t"
  xdotool key Return
  sleep 0.3
  # "Apply" at (width - 72, height - 32).
  xdotool mousemove --window "$DIALOG" 600 300 click 1
  wait_for '[ -s "$VELMORA_TEST_PCM_FILE" ]' || fail "Wave Out does not play into the capture"
}

# Pattern Editor: the first machine of "MachineCombo", and "Add".
add_pattern() {
  menu v p
  sleep 1
  xdotool mousemove --window "$WINDOW" 100 95 click 1
  sleep 0.5
  xdotool key Down Return
  sleep 0.5
  xdotool mousemove --window "$WINDOW" 513 95 click 1
  sleep 0.5
}

# place_pattern UNIT...: Sequence Editor, the first row and its first
# pattern placed at each length unit (the grid starts at x 204, 16 pixels a
# unit).
place_pattern() {
  menu v e
  sleep 1
  xdotool mousemove --window "$WINDOW" 80 148 click 1
  sleep 0.3
  xdotool mousemove --window "$WINDOW" 68 125 click 1
  sleep 0.5
  xdotool key Down Return
  sleep 0.5
  local unit
  for unit in "$@"; do
    xdotool mousemove --window "$WINDOW" $((204 + unit * 16 + 6)) 148 click 1
    sleep 0.5
  done
}

# tool_bar_number X VALUE: types a value into the main tool bar's field at X.
tool_bar_number() {
  xdotool mousemove --window "$WINDOW" "$1" 33 click 1
  xdotool key ctrl+a
  xdotool type "$2"
  xdotool key Tab
  sleep 0.3
}

quit_program() {
  menu f x
  wait_for '! kill -0 $PID 2>/dev/null' || fail "the program did not end"
  wait "$PID"
  local status=$?
  PID=""
  [ "$status" = 0 ] || fail "exit status $status"
}
