#!/bin/bash
# File -> Open on a damaged project and on one naming a machine type that is
# not installed: the error box, then the studio that results, checked by
# saving it through the real dialogs.
PROGRAM="$1"
DEMO="$2"
. "$(dirname "$0")/common.sh"

printf 'VMP \004\000garbage' > "$WORK/damaged.vmp"
# The demo with its "ZT Vorize" type renamed to one that does not exist.
python3 - "$DEMO" "$WORK/missing.vmp" <<'PY'
import sys
data = open(sys.argv[1], "rb").read()
old = b"VelmPlug::ZT Vorize\0"
assert old in data
open(sys.argv[2], "wb").write(data.replace(old, b"VelmPlug::ZT Vorixe\0"))
PY
demo_machines=$(machine_count "$DEMO")

start
[ "$(title)" = "Velmora Studio" ] || fail "title '$(title)' at start"

# A damaged file: the loader's message, then a new project without a path.
menu f o
answer_file_dialog "Open Project" "$WORK/damaged.vmp"
box=$(window_named Velmora)
[ -n "$box" ] || fail "no error box for the damaged file"
grep -q "Velmora: File '$WORK/damaged.vmp' Is Corrupt" "$WORK/stderr" || fail "error text"
xdotool windowfocus --sync "$box" key Return
wait_for '[ "$(title)" = "Velmora Studio" ]' || fail "title '$(title)' after the damaged file"
menu f a
answer_file_dialog "Save Project As" "$WORK/after-damaged.vmp"
wait_for '[ -s "$WORK/after-damaged.vmp" ]' || fail "Save As after the damaged file wrote nothing"
[ "$(machine_count "$WORK/after-damaged.vmp")" = 1 ] || fail "not a new project after the damaged file"
wait_for '[ "$(title)" = "Velmora Studio - after-damaged.vmp" ]' || fail "title '$(title)' after Save As"

# A missing machine: named in the box, the rest of the project loads.
menu f o
answer_file_dialog "Open Project" "$WORK/missing.vmp"
box=$(window_named Velmora)
[ -n "$box" ] || fail "no message for the missing machine"
grep -q 'Machine of name "Vorize" could not be loaded.' "$WORK/stderr" || fail "missing machine text"
xdotool windowfocus --sync "$box" key Return
wait_for '[ "$(title)" = "Velmora Studio - missing.vmp" ]' || fail "title '$(title)' after the missing machine"
menu f a
answer_file_dialog "Save Project As" "$WORK/after-missing.vmp"
wait_for '[ -s "$WORK/after-missing.vmp" ]' || fail "Save As after the missing machine wrote nothing"
[ "$(machine_count "$WORK/after-missing.vmp")" = $((demo_machines - 1)) ] || fail "machines after the missing one"
"$PROGRAM" --render "$WORK/after-missing.vmp" "$WORK/after-missing.wav" --seconds 1 || fail "--render of the result"

quit_program
echo "PASS"
