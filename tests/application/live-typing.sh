#!/bin/sh
# A user writes in the built program, on a private X server: the program
# starts with a new document; a paragraph typed through the X server goes
# into its main text; Escape ends text editing; the document is saved
# through the save panel under a name of the user's; Quit ends the program.
# The file read back holds the paragraph, and the window's page (read with
# xwd) matches the saved document's first page drawn by the screen back
# end. Skipped (status 77) when no X server can be started here.
#
#   live-typing.sh <program> <docshow>
#
# SCRIVLY_KEEP_SHOTS=folder keeps the window's picture and the differences.
set -u
PROGRAM=$1
DOCSHOW=$2
PARAGRAPH="The quick brown fox jumps over the lazy dog, and the word processor keeps every word of it."

. "$(dirname "$0")/live-session.sh"

"$PROGRAM" >"$WORK/app.log" 2>&1 &
APP_PID=$!
waitFor "Untitled-1" || fail "no untitled document window"
WINDOW=$(xdotool search --sync --name "Untitled-1" | head -n1)
xdotool windowfocus --sync "$WINDOW" || fail "the document window cannot be focused"
sleep 0.5
# The caret is in the main text of a new document: typing writes there.
xdotool type --delay 25 "$PARAGRAPH"
# Escape ends text editing: the caret goes.
xdotool key Escape
# The picture is taken once the window has settled: three pictures in a row
# alike (the caret no longer blinks), within a generous bound.
same=0
previous=
for i in $(seq 1 300); do
    xwd -silent -id "$WINDOW" -out "$WORK/window.xwd" || fail "no picture of the window"
    now=$(md5sum < "$WORK/window.xwd")
    if [ "$now" = "$previous" ]; then same=$((same + 1)); else same=0; fi
    [ "$same" -ge 3 ] && break
    previous=$now
    sleep 0.2
done
[ "$same" -ge 3 ] || fail "the window never settled"
# Without the scroller strip along the bottom (page box, popups): only the
# pages' part of the window is compared.
xwdtopnm "$WORK/window.xwd" 2>/dev/null | pamcut -cropbottom 16 > "$WORK/window.ppm" ||
    fail "the window's picture cannot be read"

# Document > Save As..., a name, Return.
openMenu 78 8 || fail "the Document menu did not open"
click 100 141
waitFor "^Save$" || fail "no save panel"
PANEL=$(xdotool search --sync --name "^Save$" | head -n1)
xdotool windowfocus --sync "$PANEL" || fail "the save panel cannot be focused"
xdotool type --delay 30 "typed"
xdotool key Return
waitFor "typed.syb" || fail "the document was not saved"
[ -f typed.syb ] || fail "typed.syb is not on disk"

# Quit from the menu bar ends the program (nothing is edited now).
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

# The file holds the paragraph.
text=$("$DOCSHOW" text typed.syb) || fail "typed.syb cannot be read"
[ "$text" = "$PARAGRAPH" ] || fail "typed.syb holds \"$text\""

# The window showed the page as the screen back end draws it.
result=$("$DOCSHOW" compare typed.syb "$WORK/window.ppm" "$WORK/differences.png")
compared=$?
echo "$result"
if [ -n "${SCRIVLY_KEEP_SHOTS:-}" ]; then
    mkdir -p "$SCRIVLY_KEEP_SHOTS"
    cp "$WORK/window.ppm" "$WORK/differences.png" "$SCRIVLY_KEEP_SHOTS/" 2>/dev/null
fi
[ "$compared" -eq 0 ] || fail "the window's page differs from the drawn page: $result"
echo "PASS"
