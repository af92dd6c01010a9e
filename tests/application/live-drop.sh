#!/bin/sh
# The built program on a private X server takes a file dragged from another
# program of the desktop (text/uri-list): a TIFF dropped on the page of a new
# document, whose main text is being edited, becomes a picture in the text,
# shown on the screen and kept when the document is saved.
# Skipped (status 77) when no X server can be started here.
set -u
PROGRAM=$1
SOURCE=$2
command -v Xvfb >/dev/null 2>&1 || { echo "SKIP: Xvfb is not installed"; exit 77; }
command -v xdotool >/dev/null 2>&1 || { echo "SKIP: xdotool is not installed"; exit 77; }
command -v pnmtotiff >/dev/null 2>&1 || { echo "SKIP: netpbm is not installed"; exit 77; }

WORK=$(mktemp -d /tmp/scrivly-live.XXXXXX)
mkdir -p "$WORK/run" "$WORK/config" "$WORK/home" "$WORK/docs"
chmod 700 "$WORK/run"
XVFB_PID=
APP_PID=
SOURCE_PID=
cleanup() {
    [ -n "$SOURCE_PID" ] && kill "$SOURCE_PID" 2>/dev/null
    [ -n "$APP_PID" ] && kill "$APP_PID" 2>/dev/null
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
    rm -rf "$WORK"
}
trap cleanup EXIT

# Xvfb names its display on the descriptor once it takes connections; a
# server that lost a race for its display number is started again.
for attempt in 1 2 3; do
    rm -f "$WORK/displayfd"
    exec 5>"$WORK/displayfd"
    Xvfb -displayfd 5 -screen 0 1280x900x24 -nolisten tcp >"$WORK/xvfb.log" 2>&1 &
    XVFB_PID=$!
    exec 5>&-
    for i in $(seq 1 100); do
        [ "$(wc -l < "$WORK/displayfd")" -ge 1 ] && break
        kill -0 "$XVFB_PID" 2>/dev/null || break
        sleep 0.1
    done
    if [ "$(wc -l < "$WORK/displayfd")" -ge 1 ]; then
        export DISPLAY=":$(head -n1 "$WORK/displayfd")"
        xdotool getdisplaygeometry >/dev/null 2>&1 && break
    fi
    kill "$XVFB_PID" 2>/dev/null
    XVFB_PID=
done
[ -n "$XVFB_PID" ] || { echo "SKIP: Xvfb did not start: $(cat "$WORK/xvfb.log")"; exit 77; }
export XDG_RUNTIME_DIR="$WORK/run" XDG_CONFIG_HOME="$WORK/config" HOME="$WORK/home" QT_QPA_PLATFORM=xcb
# The program's behaviour is tested here; leaks are the unit tests' concern.
export ASAN_OPTIONS=detect_leaks=0
cd "$WORK/docs"

fail() { echo "FAIL: $*"; xdotool search --name '.' getwindowname %@ 2>/dev/null; cat "$WORK/app.log"; exit 1; }
# Waits for a window whose name matches.
waitFor() {
    for i in $(seq 1 100); do
        xdotool search --name "$1" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    return 1
}
gone() {
    for i in $(seq 1 50); do
        xdotool search --name "$1" >/dev/null 2>&1 || return 0
        sleep 0.1
    done
    return 1
}
click() { xdotool mousemove "$1" "$2" click 1; sleep 0.7; }

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
sleep 0.5
xdotool mouseup 1
for i in $(seq 1 50); do
    grep -q "drop action" "$WORK/source.log" && break
    sleep 0.1
done
grep -q "drop action [1-9]" "$WORK/source.log" || fail "the drop was refused: $(cat "$WORK/source.log")"
sleep 1

# The picture shows: red in the document window.
xwd -root -silent > "$WORK/shot.xwd" || fail "no screenshot"
if command -v xwdtopnm >/dev/null && command -v ppmhist >/dev/null; then
    red=$(xwdtopnm "$WORK/shot.xwd" 2>/dev/null | pamcut -left 100 -top 60 -width 700 -height 820 2>/dev/null |
          pnmdepth 255 2>/dev/null |
          ppmhist -noheader 2>/dev/null | awk '$1 == 255 && $2 == 0 && $3 == 0 { print $5 }')
    [ -n "$red" ] && [ "$red" -gt 1000 ] || fail "no red picture in the window"
fi

# Saved, the document holds the picture's file.
click 78 8
click 100 141
waitFor "^Save$" || fail "no save panel"
xdotool type --delay 30 "dropped"
xdotool key Return
waitFor "dropped" || fail "the document was not saved"
for f in dropped.*; do [ -f "$f" ] && break; done
[ -f "$f" ] || fail "no saved document"
grep -q "red.tiff" "$f" || fail "the saved document holds no picture of the file"
echo "PASS"
