#!/bin/sh
# Menus opened with the mouse and the font panel in the built program, on a
# private X server (with a window manager when SCRIVLY_LIVE_WM names one):
# the font panel shows the face of the text the caret moves into, by a click
# or by the arrow keys; a menu opened by a click keeps the keys while it is
# open and closes on Escape; after it closes, typing and Paste, by its key
# or from the menu, go in at the caret the user sees. Skipped (status 77)
# when no X server can be started here.
#
#   live-menus.sh <program>
#
# SCRIVLY_KEEP_SHOTS=folder keeps the screenshots.
set -u
PROGRAM=$1
LIVE_TOOLS="pamcut xclip"

. "$(dirname "$0")/live-session.sh"

# Waits until the command's output matches the extended pattern.
waitForMatch() {
    want=$1
    shift
    for i in $(seq 1 300); do
        "$@" 2>/dev/null | grep -Eq "$want" && return 0
        sleep 0.1
    done
    return 1
}
shown() { xdotool search --onlyvisible --name "" 2>/dev/null | wc -l; }
# Waits until a window's picture stays the same three looks running and
# leaves it in the named file.
settled() {
    same=0
    previous=
    for i in $(seq 1 300); do
        xwd -silent -id "$1" | xwdtopnm 2>/dev/null > "$WORK/$2" || return 1
        now=$(md5sum < "$WORK/$2")
        if [ "$now" = "$previous" ]; then same=$((same + 1)); else same=0; fi
        [ "$same" -ge 3 ] && return 0
        previous=$now
        sleep 0.1
    done
    return 1
}
# Waits until a window's picture is (or, with "not", is no longer) the one
# in the file, and leaves it in the named file.
looksLike() {
    for i in $(seq 1 300); do
        xwd -silent -id "$1" | xwdtopnm 2>/dev/null > "$WORK/$3" || return 1
        if [ "${4:-}" = not ]; then
            cmp -s "$WORK/$2" "$WORK/$3" || return 0
        else
            cmp -s "$WORK/$2" "$WORK/$3" && return 0
        fi
        sleep 0.1
    done
    return 1
}
keep() { keepShot "menus-$1"; }
# The document's text, read through the primary selection of Select All
# (asked again at each look, until the selection has caught up).
text() {
    xdotool key super+a
    xclip -o -selection primary
}

"$PROGRAM" >"$WORK/app.log" 2>&1 &
APP_PID=$!
waitFor "Untitled-1" || fail "no untitled document window"
WINDOW=$(xdotool search --sync --name "Untitled-1" | head -n1)
xdotool windowactivate --sync "$WINDOW" 2>/dev/null || xdotool windowfocus --sync "$WINDOW" ||
    fail "the document window cannot be focused"
xdotool type --delay 30 "Hello world"
info=$(xwininfo -id "$WINDOW") || fail "no place of the document window"
WX=$(echo "$info" | sed -n 's/.*Absolute upper-left X: *//p')
WY=$(echo "$info" | sed -n 's/.*Absolute upper-left Y: *//p')
# The first line of text, an inch down the page: "Hello" from 100 pixels
# in, "world" from about 130.
LINE=$((WY + 107))

# "world" in bold, the caret in "Hello", the font panel up beside the page.
xdotool mousemove $((WX + 155)) $LINE click --repeat 2 1
waitForMatch "^world$" xclip -o -selection primary || fail "double-clicking \"world\" did not select it"
xdotool key super+b
xdotool mousemove $((WX + 110)) $LINE click 1
sleep 0.3
xdotool key super+t
waitFor "^Font$" || fail "no font panel"
PANEL=$(xdotool search --onlyvisible --name "^Font$" | head -n1)
xdotool windowmove --sync "$PANEL" 800 300 2>/dev/null || xdotool windowmove "$PANEL" 800 300
settled "$PANEL" regular.ppm || fail "the font panel never settled"
keep 1-regular
# A click in the bold word: the panel shows its face.
xdotool mousemove $((WX + 160)) $LINE click 1
looksLike "$PANEL" regular.ppm bold.ppm not || fail "the font panel still shows the face of \"Hello\" in \"world\""
keep 2-bold
# Back into "Hello" by the arrow keys: the regular face again.
xdotool key Left Left Left Left Left Left Left Left Left
looksLike "$PANEL" regular.ppm back.ppm || { keep 3-back; fail "the font panel does not show the face of \"Hello\" again"; }
xdotool windowactivate --sync "$WINDOW" 2>/dev/null || xdotool windowfocus --sync "$WINDOW"

# "Hello" on the clipboard, the caret at the end of the text.
xdotool mousemove $((WX + 114)) $LINE click --repeat 2 1
waitForMatch "^Hello$" xclip -o -selection primary || fail "double-clicking \"Hello\" did not select it"
xdotool key super+c
waitForMatch "^Hello$" xclip -o -selection clipboard || fail "Copy put \"$(xclip -o -selection clipboard 2>&1)\" on the clipboard"
xdotool mousemove $((WX + 300)) $LINE click 1
sleep 0.3

# The Edit menu opened by a click takes the keys while it is open and
# closes on Escape.
before=$(shown)
openMenu 135 8 || fail "the Edit menu did not open"
keep 4-menu
xdotool type --delay 30 "xyz"
xdotool key Escape
for i in $(seq 1 300); do
    [ "$(shown)" -le "$before" ] && break
    sleep 0.1
done
[ "$(shown)" -le "$before" ] || fail "the Edit menu stayed open after Escape"
# Typing and Paste by its key go in at the caret.
xdotool type --delay 30 "1"
xdotool key super+v
waitForMatch "^Hello world1 ?Hello$" text ||
    fail "after the menu closed the text reads \"$(xclip -o -selection primary 2>&1)\""

# Paste from the menu, at the caret put before the first word.
xdotool mousemove $((WX + 100)) $LINE click 1
sleep 0.3
openMenu 135 8 || fail "the Edit menu did not open"
# Paste is the third item, under Cut and Copy.
xdotool mousemove 165 119 click 1
waitForMatch "^Hello ?Hello world1 ?Hello$" text ||
    fail "Paste from the menu made the text \"$(xclip -o -selection primary 2>&1)\""
keep 5-pasted
echo "PASS"
