#!/bin/sh
# Windows > Inspector… (Super-Shift-I) in the built program, on a private X
# server (with a window manager when SCRIVLY_LIVE_WM names one): with the
# "Visible" bit of the inspector off, the program starts without it; the key
# brings it up beside the document window, which keeps the keyboard, and
# the key again leaves one. Left open at quit with visible panels
# remembered, it is there again at the next launch, where it was.
# Skipped (status 77) when no X server can be started here.
#
#   live-inspector.sh <program>
#
# SCRIVLY_KEEP_SHOTS=folder keeps the screenshots.
set -u
PROGRAM=$1

. "$(dirname "$0")/live-session.sh"

keep() { keepShot "inspector-$1"; }
launch() {
    "$PROGRAM" >"$WORK/app.log" 2>&1 &
    APP_PID=$!
    waitFor "Untitled-1" || fail "no untitled document window"
    WINDOW=$(xdotool search --sync --onlyvisible --name "Untitled-1" | head -n1)
    focusWindow "$WINDOW" "Untitled-1"
}
quit() {
    # The untitled document holds nothing: Quit asks nothing.
    xdotool key super+q
    for i in $(seq 1 600); do
        kill -0 "$APP_PID" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$APP_PID" 2>/dev/null && fail "Quit did not end the program"
    wait "$APP_PID"
    status=$?
    APP_PID=
    [ "$status" -eq 0 ] || fail "the program ended with $status"
}
place() {
    info=$(xwininfo -id "$1") || fail "no place of the inspector"
    echo "$info" | sed -n 's/.*Absolute upper-left [XY]: *//p; s/.*Width: *//p; s/.*Height: *//p' | tr '\n' ' '
}

# A new document at launch, no inspector, visible panels remembered.
mkdir -p "$XDG_CONFIG_HOME/Scrivly"
printf '"Visible" = "1";\n"RememberVisiblePanels" = "1";\n' >"$XDG_CONFIG_HOME/Scrivly/Scrivly.defaults"
launch
sleep 1
xdotool search --onlyvisible --name "^Inspector\$" >/dev/null 2>&1 && fail "the inspector is up without its bit"
xdotool key super+shift+i
waitFor "^Inspector\$" || fail "Super-Shift-I did not bring the inspector up"
INSPECTOR=$(visibleWindow "^Inspector\$")
waitFocus "Untitled-1" || fail "the inspector took the keyboard from the document"
set -- $(place "$INSPECTOR")
[ "$3" -ge 200 ] && [ "$4" -ge 300 ] || fail "the inspector is $3 by $4"
FIRST="$*"
keep 1-open
xdotool key super+shift+i
sleep 1
[ "$(xdotool search --onlyvisible --name "^Inspector\$" | wc -l)" -eq 1 ] || fail "more than one inspector"
quit
grep -q '"Visible" = "5"' "$XDG_CONFIG_HOME/Scrivly/Scrivly.defaults" ||
    fail "the inspector's bit was not kept: $(grep Visible "$XDG_CONFIG_HOME/Scrivly/Scrivly.defaults")"

# The next launch brings it back where it was, without the key.
launch
waitFor "^Inspector\$" || fail "the inspector did not come back at launch"
INSPECTOR=$(visibleWindow "^Inspector\$")
set -- $(place "$INSPECTOR")
[ "$*" = "$FIRST" ] || fail "the inspector came back at $*, not $FIRST"
keep 2-relaunch
quit
echo "PASS"
