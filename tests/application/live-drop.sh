#!/bin/sh
# The built program on a private X server takes a file dragged from another
# program of the desktop (text/uri-list): a TIFF dropped on the page of a new
# document, whose main text is being edited, becomes a picture in the text,
# shown on the screen and kept when the document is saved.
# Skipped (status 77) when no X server can be started here.
set -u
PROGRAM=$1
SOURCE=$2
LIVE_TOOLS="pnmtotiff"

. "$(dirname "$0")/live-session.sh"

"$PROGRAM" >"$WORK/app.log" 2>&1 &
APP_PID=$!
waitFor "Untitled-1" || fail "no untitled document window"
ppmmake red 120 80 | pnmtotiff > "$WORK/red.tiff" 2>/dev/null
[ -s "$WORK/red.tiff" ] || fail "no TIFF to drag"
"$SOURCE" "$WORK/red.tiff" >"$WORK/source.log" 2>&1 &
SOURCE_PID=$!
waitFor "^dragsource$" || fail "the drag source did not start"
sleep 0.5

# Pressed in the source, dragged over the page, released.
xdotool mousemove 1180 750
sleep 0.3
xdotool mousedown 1
sleep 0.5
for p in "1150 740" "1000 700" "800 600" "600 500" "450 420" "400 400" "402 401"; do
    xdotool mousemove $p
    sleep 0.3
done
# Let go once the page says it takes the file.
for i in $(seq 1 600); do
    grep "^accepted" "$WORK/source.log" | tail -n 1 | grep -q "accepted [1-9]" && break
    sleep 0.1
done
xdotool mouseup 1
for i in $(seq 1 600); do
    grep -q "drop action" "$WORK/source.log" && break
    sleep 0.1
done
grep -q "drop action [1-9]" "$WORK/source.log" || fail "the drop was refused: $(cat "$WORK/source.log")"

# The picture shows: red in the document window, once the program has
# drawn it.
if command -v xwdtopnm >/dev/null && command -v ppmhist >/dev/null; then
    red=0
    for i in $(seq 1 120); do
        xwd -root -silent > "$WORK/shot.xwd" || fail "no screenshot"
        red=$(xwdtopnm "$WORK/shot.xwd" 2>/dev/null | pamcut -left 100 -top 60 -width 700 -height 820 2>/dev/null |
              pnmdepth 255 2>/dev/null |
              ppmhist -noheader 2>/dev/null | awk '$1 == 255 && $2 == 0 && $3 == 0 { print $5 }')
        [ -n "$red" ] && [ "$red" -gt 1000 ] && break
        sleep 0.5
    done
    [ -n "$red" ] && [ "$red" -gt 1000 ] || fail "no red picture in the window"
fi

# Saved, the document holds the picture's file.
openMenu 78 8 || fail "the Document menu did not open"
click 100 141
waitFor "^Save$" || fail "no save panel"
xdotool type --delay 30 "dropped"
xdotool key Return
waitFor "dropped" || fail "the document was not saved"
for f in dropped.*; do [ -f "$f" ] && break; done
[ -f "$f" ] || fail "no saved document"
grep -q "red.tiff" "$f" || fail "the saved document holds no picture of the file"
echo "PASS"
