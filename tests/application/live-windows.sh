#!/bin/sh
# Windows of the built program show what they hold, on a private X server
# (with a window manager when SCRIVLY_LIVE_WM names one): text typed and
# selected becomes the desktop's primary selection; new documents opened
# while others exist lie inside the screen and are not black in a
# screenshot of the root; the title says whether the document is edited.
# A document opened from the Open panel and one handed over by a second
# launch show the document's page on the root; a window the desktop moved
# stays where it was put through Save, Revert and its alert, and a
# cancelled Save As, and goes on showing its page; the alert and the Tabs
# panel are not black.
# Skipped (status 77) when no X server can be started here.
#
#   live-windows.sh <program> <docshow>
#
# SCRIVLY_KEEP_SHOTS=folder keeps the screenshots.
set -u
PROGRAM=$1
DOCSHOW=$2
LIVE_TOOLS="pamcut ppmhist xclip"

. "$(dirname "$0")/live-session.sh"

# Waits until the command's output is the text.
waitForOutput() {
    want=$1
    shift
    for i in $(seq 1 100); do
        [ "$("$@" 2>/dev/null)" = "$want" ] && return 0
        sleep 0.1
    done
    return 1
}

"$PROGRAM" >"$WORK/app.log" 2>&1 &
APP_PID=$!
waitFor "Untitled-1" || fail "no untitled document window"
xdotool search --name "Untitled-1.*edited" >/dev/null 2>&1 && fail "a new document's title says it is edited"
WINDOW=$(xdotool search --sync --name "Untitled-1" | head -n1)
xdotool windowactivate --sync "$WINDOW" 2>/dev/null || xdotool windowfocus --sync "$WINDOW" ||
    fail "the document window cannot be focused"

# Typed and selected: the title says edited, the selection is primary.
xdotool type --delay 20 "Selected words"
waitFor "Untitled-1.*edited" || fail "the title does not say the document is edited"
xdotool key super+a
waitForOutput "Selected words" xclip -o -selection primary ||
    fail "the primary selection holds \"$(xclip -o -selection primary 2>&1)\""
xdotool key Escape

# Three more documents, each opened while the others are on the screen.
for n in 2 3 4; do
    xdotool key super+n
    waitFor "Untitled-$n" || fail "no window Untitled-$n"
done
SCREEN_W=$(xdotool getdisplaygeometry | cut -d' ' -f1)
SCREEN_H=$(xdotool getdisplaygeometry | cut -d' ' -f2)
# Pixels settle before the one screenshot of the root.
sleep 1
xwd -root -silent > "$WORK/root.xwd" || fail "no screenshot"
xwdtopnm "$WORK/root.xwd" > "$WORK/root.ppm" 2>/dev/null || fail "the screenshot cannot be read"
[ -n "${SCRIVLY_KEEP_SHOTS:-}" ] && mkdir -p "$SCRIVLY_KEEP_SHOTS" && cp "$WORK/root.ppm" "$SCRIVLY_KEEP_SHOTS/"
# Where the window's inside lies on the screen (xwininfo reads it right
# under a window manager's frame too).
placeOf() {
    info=$(xwininfo -id "$1") || return 1
    X=$(echo "$info" | sed -n 's/.*Absolute upper-left X: *//p')
    Y=$(echo "$info" | sed -n 's/.*Absolute upper-left Y: *//p')
    WIDTH=$(echo "$info" | sed -n 's/.*Width: *//p')
    HEIGHT=$(echo "$info" | sed -n 's/.*Height: *//p')
}
# A window manager's frame may add a border of a few pixels round each.
BORDER=4
for n in 1 2 3 4; do
    id=$(xdotool search --name "Untitled-$n" | head -n1)
    placeOf "$id" || fail "no place of Untitled-$n"
    [ "$X" -ge 0 ] && [ "$Y" -ge 0 ] && [ $((X + WIDTH)) -le $((SCREEN_W + BORDER)) ] &&
        [ $((Y + HEIGHT)) -le $((SCREEN_H + BORDER)) ] ||
        fail "Untitled-$n lies at $X,$Y ${WIDTH}x$HEIGHT, outside the ${SCREEN_W}x$SCREEN_H screen"
done
# The front window (the last one) shows its white page, not black.
placeOf "$(xdotool search --name "Untitled-4" | head -n1)" || fail "no place of Untitled-4"
pamcut -left "$X" -top "$Y" -width "$WIDTH" -height "$HEIGHT" "$WORK/root.ppm" > "$WORK/front.ppm" ||
    fail "the window's part of the screenshot cannot be cut"
black=$(ppmhist -noheader "$WORK/front.ppm" | awk '$1 == 0 && $2 == 0 && $3 == 0 { print $5 }')
total=$((WIDTH * HEIGHT))
[ $(( ${black:-0} * 4 )) -lt "$total" ] || fail "Untitled-4 shows ${black} black pixels of $total"

# The part of a screenshot of the root where a window lies, in one request
# (the part on the screen).
cutFromRoot() {
    placeOf "$1" || return 1
    [ $((X + WIDTH)) -le "$SCREEN_W" ] || WIDTH=$((SCREEN_W - X))
    [ $((Y + HEIGHT)) -le "$SCREEN_H" ] || HEIGHT=$((SCREEN_H - Y))
    xwd -root -silent > "$WORK/root.xwd" && xwdtopnm "$WORK/root.xwd" > "$WORK/root.ppm" 2>/dev/null &&
        pamcut -left "$X" -top "$Y" -width "$WIDTH" -height "$HEIGHT" "$WORK/root.ppm" > "$2"
}
keepShot() {
    [ -n "${SCRIVLY_KEEP_SHOTS:-}" ] && mkdir -p "$SCRIVLY_KEEP_SHOTS" && cp "$1" "$SCRIVLY_KEEP_SHOTS/$2"
    return 0
}
# Waits until the window shows the first page of the document (the drawn
# page found in the screenshot and equal to it), a minute at most.
showsDocument() {
    until=$(($(date +%s) + 60))
    while [ "$(date +%s)" -le "$until" ]; do
        if cutFromRoot "$1" "$WORK/shown.ppm" && pamcut -cropbottom 16 "$WORK/shown.ppm" > "$WORK/page.ppm" &&
            "$DOCSHOW" compare "$2" "$WORK/page.ppm" "$WORK/differences.png" > "$WORK/compare.txt" 2>&1; then
            keepShot "$WORK/shown.ppm" "$3.ppm"
            return 0
        fi
        sleep 0.2
    done
    keepShot "$WORK/shown.ppm" "$3.ppm"
    echo "$(cat "$WORK/compare.txt")"
    return 1
}
# Waits until less than a quarter of the window is black, a minute at most.
notBlack() {
    until=$(($(date +%s) + 60))
    while [ "$(date +%s)" -le "$until" ]; do
        if cutFromRoot "$1" "$WORK/shown.ppm"; then
            black=$(ppmhist -noheader "$WORK/shown.ppm" | awk '$1 == 0 && $2 == 0 && $3 == 0 { print $5 }')
            if [ $(( ${black:-0} * 4 )) -lt $((WIDTH * HEIGHT)) ]; then
                keepShot "$WORK/shown.ppm" "$2.ppm"
                return 0
            fi
        fi
        sleep 0.2
    done
    keepShot "$WORK/shown.ppm" "$2.ppm"
    return 1
}

# The first document saved, and copied to two more files.
focusWindow "$(visibleWindow "Untitled-1")" "Untitled-1"
xdotool key super+s
waitFor "^Save$" || fail "no save panel"
focusWindow "$(visibleWindow "^Save$")" "^Save$"
xdotool type --delay 30 "first"
xdotool key Return
waitFor "first.syb" || fail "the first document was not saved"
cp first.syb second.syb && cp first.syb third.syb || fail "the saved document cannot be copied"

# Opened from the Open panel while other windows are on the screen.
xdotool key super+o
waitFor "^Open$" || fail "no open panel"
focusWindow "$(visibleWindow "^Open$")" "^Open$"
xdotool type --delay 30 "second.syb"
xdotool key Return
waitFor "second.syb" || fail "second.syb did not open"
showsDocument "$(visibleWindow "second.syb")" second.syb opened ||
    fail "the window opened from the Open panel does not show its page"

# Handed over by a second launch.
"$PROGRAM" third.syb >"$WORK/second-launch.log" 2>&1 || fail "the second launch failed: $(cat "$WORK/second-launch.log")"
waitFor "third.syb" || fail "third.syb did not open"
THIRD=$(visibleWindow "third.syb")
showsDocument "$THIRD" third.syb handed-over || fail "the window handed over by a second launch does not show its page"

# Moved by the desktop, then saved, reverted and saved as: it stays.
placeOf "$THIRD"
FROM="$X,$Y"
TO_X=$((X + 200))
TO_Y=$((Y - 40))
xdotool windowmove "$THIRD" "$TO_X" "$TO_Y"
for i in $(seq 1 100); do
    placeOf "$THIRD" && [ "$X,$Y" != "$FROM" ] && break
    sleep 0.1
done
MOVED="$X,$Y"
[ "$MOVED" != "$FROM" ] || fail "the window did not move from $FROM"
staysPut() {
    placeOf "$THIRD" || fail "no place of third.syb"
    [ "$X,$Y" = "$MOVED" ] || fail "after $1 the window lies at $X,$Y, not where it was moved to ($MOVED)"
    showsDocument "$THIRD" third.syb "$2" || fail "after $1 the window does not show its page"
}
focusWindow "$THIRD" "third.syb"
xdotool type --delay 20 " kept"
waitFor "third.syb.*edited" || fail "typing did not edit third.syb"
xdotool key super+s
for i in $(seq 1 600); do
    xdotool search --onlyvisible --name "third.syb.*edited" >/dev/null 2>&1 || break
    sleep 0.1
done
xdotool search --onlyvisible --name "third.syb.*edited" >/dev/null 2>&1 && fail "Save left third.syb edited"
staysPut "Save" saved

focusWindow "$THIRD" "third.syb"
xdotool type --delay 20 " gone"
waitFor "third.syb.*edited" || fail "typing did not edit third.syb again"
xdotool key super+u
waitFor "^Revert$" || fail "Revert asked nothing"
notBlack "$(visibleWindow "^Revert$")" revert-alert || fail "the Revert alert is black"
focusWindow "$(visibleWindow "^Revert$")" "^Revert$"
xdotool key Return
gone "^Revert$" || fail "the Revert alert stays"
for i in $(seq 1 600); do
    xdotool search --onlyvisible --name "third.syb.*edited" >/dev/null 2>&1 || break
    sleep 0.1
done
xdotool search --onlyvisible --name "third.syb.*edited" >/dev/null 2>&1 && fail "Revert left third.syb edited"
staysPut "Revert" reverted

focusWindow "$THIRD" "third.syb"
xdotool key super+S
waitFor "^Save$" || fail "no Save As panel"
focusWindow "$(visibleWindow "^Save$")" "^Save$"
xdotool key Escape
gone "^Save$" || fail "the Save As panel stays"
staysPut "a cancelled Save As" saved-as

# The Tabs panel, from Format > Text: the one new window on the screen.
focusWindow "$THIRD" "third.syb"
openTabsPanel
notBlack "$TABS" tabs-panel || fail "the Tabs panel is black"
echo "PASS"
