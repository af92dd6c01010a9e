#!/bin/sh
# Arrange > Columns… in the built program, on a private X server (with a
# window manager when SCRIVLY_LIVE_WM names one): three columns chosen in
# the dialog are what the saved document holds, a count the document
# refuses keeps the dialog up, and one column again is saved as one.
# Skipped (status 77) when no X server can be started here.
#
#   live-columns.sh <program> <docshow>
#
# SCRIVLY_KEEP_SHOTS=folder keeps the screenshots.
set -u
PROGRAM=$1
DOCSHOW=$2

. "$(dirname "$0")/live-session.sh"

keep() { keepShot "columns-$1"; }
hidden() {
    for i in $(seq 1 600); do
        xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0
        sleep 0.1
    done
    return 1
}
# Waits (a minute at most, however slow each look is) until the saved
# file says what is expected.
saved() {
    until=$(($(date +%s) + 60))
    while [ "$(date +%s)" -lt "$until" ]; do
        [ "$("$DOCSHOW" columns "$1" 2>/dev/null)" = "$2" ] && return 0
        sleep 0.2
    done
    return 1
}
# Arrange > Columns…; sets DX and DY, the dialog's upper-left corner.
openColumns() {
    menu 243 8 || fail "the Arrange menu did not open"
    click 275 275
    waitFor "^Columns\$" || fail "no columns dialog"
    waitFocus "^Columns\$" || fail "the columns dialog does not take the keyboard"
    DIALOG=$(xdotool search --onlyvisible --name "^Columns\$" | head -n1)
    info=$(xwininfo -id "$DIALOG") || fail "no place of the columns dialog"
    DX=$(echo "$info" | sed -n 's/.*Absolute upper-left X: *//p')
    DY=$(echo "$info" | sed -n 's/.*Absolute upper-left Y: *//p')
}
closed() { hidden "^Columns\$" || fail "$1"; }
# Opens a menu of the menu bar; a click there just after a modal dialog left
# is now and then lost on a server without a window manager, so a menu that
# does not show within five seconds is asked for once more.
menu() {
    count=$(xdotool search --onlyvisible --name "" 2>/dev/null | wc -l)
    xdotool mousemove "$1" "$2" click 1
    for i in $(seq 1 50); do
        [ "$(xdotool search --onlyvisible --name "" 2>/dev/null | wc -l)" -gt "$count" ] && return 0
        sleep 0.1
    done
    xdotool key Escape
    openMenu "$1" "$2"
}
# The count cell of that many columns (6: Other), in the row 29 pixels down.
chooseCount() { click $((DX + 80 + ($1 - 1) * 59 + 29)) $((DY + 29)); }

"$PROGRAM" >"$WORK/app.log" 2>&1 &
APP_PID=$!
waitFor "Untitled-1" || fail "no untitled document window"
WINDOW=$(xdotool search --sync --name "Untitled-1" | head -n1)
xdotool windowactivate --sync "$WINDOW" 2>/dev/null || xdotool windowfocus --sync "$WINDOW" ||
    fail "the document window cannot be focused"
xdotool type --delay 20 "Three columns"

# Three columns, OK by Return; saved as cols.syb.
openColumns
keep 1-dialog
chooseCount 3
xdotool key Return
closed "the columns dialog stayed up after OK"
menu 78 8 || fail "the Document menu did not open"
click 100 141
waitFor "^Save\$" || fail "no save panel"
waitFocus "^Save\$" || fail "the save panel does not take the keyboard"
xdotool type --delay 30 "cols"
xdotool key Return
waitFor "cols.syb" || fail "the document was not saved"
saved cols.syb "3 18 3" || fail "cols.syb holds \"$("$DOCSHOW" columns cols.syb 2>&1)\", not three columns"
keep 2-three

# Thirty columns are refused: a beep, and the dialog stays until Escape.
openColumns
chooseCount 6
click $((DX + 404)) $((DY + 59))
xdotool type --delay 30 "30"
xdotool key Return
sleep 1
xdotool search --onlyvisible --name "^Columns\$" >/dev/null 2>&1 || fail "a refused count closed the dialog"
keep 3-refused
xdotool key Escape
closed "Escape did not close the columns dialog"

# Back to one column, saved over the file.
openColumns
chooseCount 1
xdotool key Return
closed "the columns dialog stayed up after OK"
# Document > Save.
menu 78 8 || fail "the Document menu did not open"
click 100 119
saved cols.syb "1 18 1" || fail "cols.syb holds \"$("$DOCSHOW" columns cols.syb 2>&1)\", not one column"
keep 4-one

# Quit (the document is saved).
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
