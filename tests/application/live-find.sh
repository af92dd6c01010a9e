#!/bin/sh
# A user finds a word that only the last page holds, replaces every
# occurrence of another word, and undoes the Replace All, in the built
# program on a private X server: a plain text file of several pages is
# opened, the text is clicked, Find... (Super-F) opens the panel, Return
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
command -v Xvfb >/dev/null 2>&1 || { echo "SKIP: Xvfb is not installed"; exit 77; }
command -v xdotool >/dev/null 2>&1 || { echo "SKIP: xdotool is not installed"; exit 77; }
command -v xwininfo >/dev/null 2>&1 || { echo "SKIP: xwininfo is not installed"; exit 77; }

. "$(dirname "$0")/live-session.sh"

placeOf() {
    info=$(xwininfo -id "$1") || return 1
    X=$(echo "$info" | sed -n 's/.*Absolute upper-left X: *//p')
    Y=$(echo "$info" | sed -n 's/.*Absolute upper-left Y: *//p')
}
keepShot() {
    [ -n "${SCRIVLY_KEEP_SHOTS:-}" ] || return 0
    mkdir -p "$SCRIVLY_KEEP_SHOTS" && xwd -root -silent > "$SCRIVLY_KEEP_SHOTS/$1.xwd"
}
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

# About six pages of text; "zebra" only in the last paragraph.
i=0
while [ $i -lt 160 ]; do
    echo "The cat sat on the mat by the door of the old house, and paragraph $i ends here."
    i=$((i + 1))
done > book.txt
echo "Only here does a zebra walk." >> book.txt

"$PROGRAM" book.txt >"$WORK/app.log" 2>&1 &
APP_PID=$!
DOCNAME="book"
waitFor "book" || fail "no window for book.txt"
DOCUMENT=$(visibleWindow "book")
focusWindow "$DOCUMENT" "book"
placeOf "$DOCUMENT" || fail "no place of the document window"
# The text of the first page: the caret goes there.
click $((X + 200)) $((Y + 160))

xdotool key super+f
waitFor "^Find$" || fail "Super-F did not show the find panel"
PANEL=$(visibleWindow "^Find$")
focusWindow "$PANEL" "^Find$"
xdotool type --delay 30 "zebra"
xdotool key Return
sleep 1
keepShot found

# Replace All: "cat" by "dog" (the find field is selected after a find).
xdotool key ctrl+a
xdotool type --delay 30 "cat"
xdotool key Tab
xdotool type --delay 30 "dog"
placeOf "$PANEL" || fail "no place of the find panel"
click $((X + 55)) $((Y + 137))
sleep 1
saveAs replaced
[ "$(count replaced.syb cat)" -eq 0 ] || fail "Replace All left $(count replaced.syb cat) cats"
[ "$(count replaced.syb dog)" -eq 160 ] || fail "Replace All made $(count replaced.syb dog) dogs, not 160"

# Undo in the document window brings every cat back.
focusWindow "$(visibleWindow "$DOCNAME")" "$DOCNAME"
xdotool key super+z
sleep 1
keepShot undone
saveAs undone
[ "$(count undone.syb cat)" -eq 160 ] || fail "Undo brought $(count undone.syb cat) cats back, not 160"
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
