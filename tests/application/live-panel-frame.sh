#!/bin/sh
# A panel of the built program comes back where the user left it, on a
# private X server (with a window manager when SCRIVLY_LIVE_WM names one):
# the Tabs panel, opened from Format > Text and moved by the desktop, is
# where it was moved to when the program, quit and started again, opens it.
# Skipped (status 77) when no X server can be started here.
#
#   live-panel-frame.sh <program>
#
# SCRIVLY_KEEP_SHOTS=folder keeps the screenshots.
set -u
PROGRAM=$1

. "$(dirname "$0")/live-session.sh"

# Starts the program, clicks the page's top margin (with a text frame
# selected the panel goes above it instead) and opens the Tabs panel from
# Format > Text: the one new window on the screen. Sets TABS.
openTabs() {
    "$PROGRAM" >"$WORK/app.log" 2>&1 &
    APP_PID=$!
    waitFor "Untitled-1" || fail "no untitled document window"
    DOCUMENT=$(visibleWindow "Untitled-1")
    focusWindow "$DOCUMENT" "Untitled-1"
    placeOf "$DOCUMENT" || fail "no place of the document window"
    click $((X + 280)) $((Y + 45))
    openTabsPanel
}
quit() {
    focusWindow "$(visibleWindow "Untitled-1")" "Untitled-1"
    xdotool key super+q
    for i in $(seq 1 600); do
        kill -0 "$APP_PID" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$APP_PID" 2>/dev/null && fail "the program did not quit"
    APP_PID=
}

openTabs
placeOf "$TABS" || fail "no place of the Tabs panel"
FROM="$X,$Y"
TO_X=300
TO_Y=400
xdotool windowmove "$TABS" "$TO_X" "$TO_Y"
for i in $(seq 1 600); do
    placeOf "$TABS" && [ "$X,$Y" != "$FROM" ] && break
    sleep 0.1
done
MOVED="$X,$Y"
[ "$MOVED" != "$FROM" ] || fail "the Tabs panel did not move from $FROM"
keepShot moved
quit
grep -rq "Loc_PanelTabs" "$WORK/config" || fail "no \"Loc_PanelTabs\" in the defaults: $(cat "$WORK"/config/*/* 2>/dev/null)"

# Under a window manager, where a move asked of a window lands (its frame
# or its content there) races the frame the manager puts round it: the
# panel may lie one title bar off, no more.
near() {
    dx=$(($1 - ${MOVED%,*}))
    dy=$(($2 - ${MOVED#*,}))
    [ "$dx" -eq 0 ] && [ "$dy" -eq 0 ] && return 0
    [ -n "${SCRIVLY_LIVE_WM:-}" ] && [ "$dx" -ge -2 ] && [ "$dx" -le 2 ] && [ "$dy" -ge -24 ] && [ "$dy" -le 24 ]
}
openTabs
AGAIN=
for i in $(seq 1 100); do
    placeOf "$TABS" && AGAIN="$X,$Y" && [ "$AGAIN" = "$MOVED" ] && break
    sleep 0.1
done
keepShot reopened
near "$X" "$Y" || fail "the Tabs panel opened at $AGAIN, not where it was left ($MOVED; first at $FROM)"
quit
echo "PASS"
