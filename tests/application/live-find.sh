#!/bin/sh
# A user finds a word that only the last page holds, replaces every
# occurrence of another word, and undoes the Replace All, in the built
# program on a private X server: text of several pages is
# typed into a new document, Find... (Super-F) opens the panel, Return
# finds the word, Replace All changes every "cat" into "dog", and Undo
# (Super-Z) in the document window brings every "cat" back. The text is
# read back from the document saved after each step. Skipped (status 77)
# when no X server can be started here.
#
#   live-find.sh <program> <docshow>
#
# SCRIVLY_KEEP_SHOTS=folder keeps the screen after the find and after the undo.
set -u
PROGRAM=$1
DOCSHOW=$2

. "$(dirname "$0")/live-session.sh"

# Document > Save As... under the name given; waits for the window's new title.
saveAs() {
    focusWindow "$(visibleWindow "$DOCNAME")" "$DOCNAME"
    openMenu 78 8 || fail "the Document menu did not open"
    click 100 141
    waitFor "^Save$" || fail "no save panel"
    SAVE=$(xdotool search --sync --name "^Save$" | head -n1)
    xdotool windowfocus --sync "$SAVE" || fail "the save panel cannot be focused"
    xdotool type --delay 30 "$1"
    xdotool key Return
    waitFor "$1.syb" || fail "$1.syb was not saved"
    DOCNAME="$1.syb"
}
count() { "$DOCSHOW" text "$1" | grep -o "$2" | wc -l; }

"$PROGRAM" >"$WORK/app.log" 2>&1 &
APP_PID=$!
DOCNAME="Untitled-1"
waitFor "Untitled-1" || fail "no untitled document window"
DOCUMENT=$(visibleWindow "Untitled-1")
focusWindow "$DOCUMENT" "Untitled-1"
# Three pages and more of short paragraphs, each with a cat; the zebra only
# in the last one. The caret is in the main text of a new document.
i=0
while [ $i -lt 150 ]; do
    xdotool type --delay 4 "a cat $i
"
    i=$((i + 1))
done
xdotool type --delay 20 "a zebra"
xdotool key ctrl+Home 2>/dev/null

xdotool key super+f
waitFor "^Find$" || fail "Super-F did not show the find panel"
PANEL=$(visibleWindow "^Find$")
focusWindow "$PANEL" "^Find$"
xdotool type --delay 30 "zebra"
xdotool key Return
sleep 1
keepShot found

# Replace All: "cat" by "dog", typed into the two fields.
placeOf "$PANEL" || fail "no place of the find panel"
click $((X + 200)) $((Y + 23))
xdotool key ctrl+a
xdotool type --delay 30 "cat"
click $((X + 200)) $((Y + 53))
xdotool type --delay 30 "dog"
click $((X + 55)) $((Y + 137))
sleep 1
keepShot replaced
saveAs replaced
[ "$(count replaced.syb cat)" -eq 0 ] || fail "Replace All left $(count replaced.syb cat) cats"
[ "$(count replaced.syb dog)" -eq 150 ] || fail "Replace All made $(count replaced.syb dog) dogs, not 150"

# Undo in the document window brings every cat back.
focusWindow "$(visibleWindow "$DOCNAME")" "$DOCNAME"
xdotool key super+z
sleep 1
keepShot undone
saveAs undone
[ "$(count undone.syb cat)" -eq 150 ] || fail "Undo brought $(count undone.syb cat) cats back, not 150"
[ "$(count undone.syb dog)" -eq 0 ] || fail "Undo left $(count undone.syb dog) dogs"
[ "$(count undone.syb zebra)" -eq 1 ] || fail "the zebra is gone"

focusWindow "$(visibleWindow "$DOCNAME")" "$DOCNAME"
xdotool key super+q
for i in $(seq 1 600); do
    kill -0 "$APP_PID" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$APP_PID" 2>/dev/null && fail "Quit did not end the program"
APP_PID=
echo "PASS"
