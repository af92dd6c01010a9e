#!/bin/sh
# The built program as a user meets it, on a private X server: it starts
# with its menu bar and an untitled document; a document saved, closed and
# opened again through the menus comes back unchanged; a second launch with
# a file hands it to the first program and ends; Quit ends the program.
# Skipped (status 77) when no X server can be started here.
set -u
PROGRAM=$1

. "$(dirname "$0")/live-session.sh"

"$PROGRAM" >"$WORK/app.log" 2>&1 &
APP_PID=$!
waitFor "Untitled-1" || fail "no untitled document window"
# The menu bar is a window of its own; the screen is not blank.
# The windows are drawn a moment after they are mapped: wait for it.
for i in $(seq 1 300); do
    xwd -root -silent > "$WORK/shot.xwd" || fail "no screenshot"
    [ "$(wc -c < "$WORK/shot.xwd")" -gt 100000 ] || fail "screenshot too small"
    command -v xwdtopnm >/dev/null && command -v ppmhist >/dev/null || break
    colours=$(xwdtopnm "$WORK/shot.xwd" 2>/dev/null | ppmhist -noheader 2>/dev/null | wc -l)
    [ "$colours" -gt 2 ] && break
    sleep 0.1
done
[ "${colours:-3}" -gt 2 ] || fail "the screen shows $colours colours"

# Document > Save As..., a name, Return.
openMenu 78 8 || fail "the Document menu did not open"
click 100 141
waitFor "^Save$" || fail "no save panel"
waitFocus "^Save$" || fail "the save panel does not take the keyboard"
xdotool type --delay 30 "made"
xdotool key Return
waitFor "made.syb" || fail "the document was not saved"
[ -f made.syb ] || fail "made.syb is not on disk"
before=$(md5sum < made.syb)

# Document > Close, then Document > Open... the file.
openMenu 78 8 || fail "the Document menu did not open"
click 87 251
gone "made.syb" || fail "the document did not close"
openMenu 78 8 || fail "the Document menu did not open"
click 92 73
waitFor "^Open$" || fail "no open panel"
waitFocus "^Open$" || fail "the open panel does not take the keyboard"
xdotool type --delay 30 "made.syb"
xdotool key Return
waitFor "made.syb" || fail "the document did not open again"
[ "$(md5sum < made.syb)" = "$before" ] || fail "the file changed"

# A second launch hands its file over and ends.
cp made.syb other.syb
timeout 20 "$PROGRAM" other.syb >"$WORK/second.log" 2>&1
status=$?
[ "$status" -eq 0 ] || fail "the second launch ended with $status: $(cat "$WORK/second.log")"
waitFor "other.syb" || fail "the first program did not open the file handed over"
[ "$(pgrep -c -x Scrivly)" -ge 1 ] || true

# Quit from the menu bar ends the program (nothing is edited).
click 404 8
for i in $(seq 1 600); do
    kill -0 "$APP_PID" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$APP_PID" 2>/dev/null && fail "Quit did not end the program"
wait "$APP_PID"
status=$?
APP_PID=
[ "$status" -eq 0 ] || fail "the program ended with $status"
echo "PASS"
