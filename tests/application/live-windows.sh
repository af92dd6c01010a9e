#!/bin/sh
# Windows of the built program show what they hold, on a private X server
# (with a window manager when SCRIVLY_LIVE_WM names one): text typed and
# selected becomes the desktop's primary selection; new documents opened
# while others exist lie inside the screen and are not black in a
# screenshot of the root; the title says whether the document is edited.
# Skipped (status 77) when no X server can be started here.
#
#   live-windows.sh <program>
#
# SCRIVLY_KEEP_SHOTS=folder keeps the screenshot.
set -u
PROGRAM=$1
for tool in Xvfb xdotool xwd xwininfo xwdtopnm pamcut ppmhist xclip; do
    command -v $tool >/dev/null 2>&1 || { echo "SKIP: $tool is not installed"; exit 77; }
done

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
echo "PASS"
