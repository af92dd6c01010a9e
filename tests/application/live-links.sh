#!/bin/sh
# Arrange > Links… in the built program, on a private X server (with a
# window manager when SCRIVLY_LIVE_WM names one): a picture placed in the
# text shows as a row of the links panel; Replace points it at another
# picture file and back, as the saved document says each time.
# Skipped (status 77) when no X server can be started here.
#
#   live-links.sh <program>
#
# SCRIVLY_KEEP_SHOTS=folder keeps the screenshots.
set -u
PROGRAM=$1
[ -n "${SCRIVLY_RESOURCES:-}" ] && [ -f "$SCRIVLY_RESOURCES/Linked.tiff" ] ||
    { echo "FAIL: no pictures in SCRIVLY_RESOURCES"; exit 1; }

. "$(dirname "$0")/live-session.sh"

keep() { keepShot "links-$1"; }
# Waits (a minute at most) until the saved file names the picture and not
# the other one.
names() {
    until=$(($(date +%s) + 60))
    while [ "$(date +%s)" -lt "$until" ]; do
        grep -aq "$2" "$1" 2>/dev/null && ! grep -aq "$3" "$1" 2>/dev/null && return 0
        sleep 0.2
    done
    return 1
}
# Opens a menu of the menu bar; a click that is lost (now and then, on a
# busy server, just after a panel left) is made once more.
menu() {
    openMenu "$1" "$2" && return 0
    xdotool key Escape
    openMenu "$1" "$2"
}
# Upper-left corner of the window's inside: PX, PY.
placeOf() {
    info=$(xwininfo -id "$1") || fail "no place of window $1"
    PX=$(echo "$info" | sed -n 's/.*Absolute upper-left X: *//p')
    PY=$(echo "$info" | sed -n 's/.*Absolute upper-left Y: *//p')
}
# Types a path into the open panel titled $1 and opens it.
choose() {
    waitFor "^$1\$" || fail "no $1 panel"
    waitFocus "^$1\$" || fail "the $1 panel does not take the keyboard"
    xdotool type --delay 20 "$2"
    xdotool key Return
    for i in $(seq 1 600); do
        xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1 || return 0
        sleep 0.1
    done
    fail "the $1 panel stayed up"
}
# The first row of the list, then Replace with that file.
replaceWith() {
    click $((PX + 110)) $((PY + 49))
    click $((PX + 136)) $((PY + 277))
    choose Replace "$1"
}

cp "$SCRIVLY_RESOURCES/Linked.tiff" "$WORK/docs/first.tiff"
cp "$SCRIVLY_RESOURCES/Missing.tiff" "$WORK/docs/second.tiff"

"$PROGRAM" >"$WORK/app.log" 2>&1 &
APP_PID=$!
waitFor "Untitled-1" || fail "no untitled document window"
WINDOW=$(xdotool search --sync --name "Untitled-1" | head -n1)
focusWindow "$WINDOW" "Untitled-1"
xdotool type --delay 20 "Picture "

# Arrange > Place…: the picture goes into the text at the caret.
menu 243 8 || fail "the Arrange menu did not open"
click 275 231
choose Place "$WORK/docs/first.tiff"

# Arrange > Links…: one row, the picture's.
# A click on the item that a busy server loses is made once more.
openLinks() {
    menu 243 8 || return 1
    click 275 297
    waitFor "^Links\$"
}
openLinks || { xdotool key Escape; openLinks; } || fail "no links panel"
PANEL=$(xdotool search --onlyvisible --name "^Links\$" | head -n1)
placeOf "$PANEL"
keep 1-listed

# Replace it by the second picture; saved, the document names that file.
replaceWith "$WORK/docs/second.tiff"
focusWindow "$WINDOW" "Untitled-1"
menu 78 8 || fail "the Document menu did not open"
click 100 141
choose Save "pictures"
names pictures.syb second.tiff first.tiff || fail "the saved document does not link second.tiff"
keep 2-replaced

# And back.
replaceWith "$WORK/docs/first.tiff"
# More than one window may carry the name for a moment: the one that takes
# the keyboard is the document's.
for WINDOW in $(xdotool search --onlyvisible --name "pictures"); do
    xdotool windowactivate --sync "$WINDOW" 2>/dev/null && waitFocus "pictures" && break
done
focusWindow "$WINDOW" "pictures"
menu 78 8 || fail "the Document menu did not open"
click 100 119
names pictures.syb first.tiff second.tiff || fail "the saved document does not link first.tiff again"
keep 3-back

kill "$APP_PID" 2>/dev/null
wait "$APP_PID" 2>/dev/null
APP_PID=
echo "PASS"
