#!/bin/sh
# Format > Text > Tabs… in the built program, on a private X server (with a
# window manager when SCRIVLY_LIVE_WM names one): a click in the panel
# leaves the keyboard with the document, so what is typed next edits the
# document; the panel made narrower than 422 points stays 422 wide.
# Skipped (status 77) when no X server can be started here.
#
#   live-tabs.sh <program>
#
# SCRIVLY_KEEP_SHOTS=folder keeps the screenshots.
set -u
PROGRAM=$1

. "$(dirname "$0")/live-session.sh"

keep() { keepShot "tabs-${SCRIVLY_LIVE_WM:-bare}-$1"; }
geometry() {
    info=$(xwininfo -id "$1") || return 1
    X=$(echo "$info" | sed -n 's/.*Absolute upper-left X: *//p')
    Y=$(echo "$info" | sed -n 's/.*Absolute upper-left Y: *//p')
    W=$(echo "$info" | sed -n 's/.*Width: *//p')
    H=$(echo "$info" | sed -n 's/.*Height: *//p')
}

# No inspector at launch: the panel is the one window the menu command adds.
mkdir -p "$XDG_CONFIG_HOME/Scrivly"
printf '"Visible" = "1";\n' >"$XDG_CONFIG_HOME/Scrivly/Scrivly.defaults"
"$PROGRAM" >"$WORK/app.log" 2>&1 &
APP_PID=$!
waitFor "Untitled-1" || fail "no untitled document window"
DOCUMENT=$(visibleWindow "Untitled-1")
focusWindow "$DOCUMENT" "Untitled-1"
openTabsPanel
geometry "$TABS" || fail "no place of the Tabs panel"
[ "$W" -ge 422 ] || fail "the Tabs panel opened $W wide"
keep 1-open

# A click in the position field, then letters: the document takes them.
xdotool search --name "Untitled-1.*edited" >/dev/null 2>&1 && fail "the new document is edited already"
click $((X + 40)) $((Y + H - 21))
waitFocus "Untitled-1" || fail "the Tabs panel took the keyboard: $(xdotool getwindowfocus getwindowname)"
xdotool type --delay 40 "abc"
for i in $(seq 1 300); do
    xdotool search --name "Untitled-1.*edited" >/dev/null 2>&1 && break
    sleep 0.1
done
xdotool search --name "Untitled-1.*edited" >/dev/null 2>&1 || fail "the letters did not reach the document"
keep 2-typed

# Wider first, so that the narrowing is seen to arrive; then narrower than
# 422: it stays 422 wide, as high as it was.
HEIGHT=$H
xdotool windowsize "$TABS" 520 "$H"
for i in $(seq 1 300); do
    geometry "$TABS" && [ "$W" -ge 520 ] && break
    sleep 0.1
done
[ "$W" -ge 520 ] || fail "the Tabs panel did not widen to 520 (it is $W wide)"
xdotool windowsize "$TABS" 300 "$H"
LAST=
for i in $(seq 1 300); do
    if geometry "$TABS" && [ "$W" -lt 520 ]; then
        [ "$W" = "$LAST" ] && break
        LAST=$W
    fi
    sleep 0.1
done
# A window manager may leave it a border's width off, never narrower.
if [ -n "${SCRIVLY_LIVE_WM:-}" ]; then
    [ "$W" -ge 422 ] && [ "$W" -le 426 ] || fail "the Tabs panel is $W wide after a resize to 300"
else
    [ "$W" -eq 422 ] || fail "the Tabs panel is $W wide after a resize to 300"
fi
[ "$H" -eq "$HEIGHT" ] || fail "the Tabs panel is $H high, not $HEIGHT"
keep 3-narrowed

# Quit; the edited document is not kept.
focusWindow "$DOCUMENT" "Untitled-1"
kill "$APP_PID" 2>/dev/null
APP_PID=
echo "PASS"
