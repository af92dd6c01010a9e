#!/bin/sh
# Letters the keyboard lacks, typed as input methods and test tools type
# them: each one binds a spare key code for a single press and takes the
# binding back a few milliseconds later. Every letter reaches the document,
# typed quickly (SCRIVLY_KEY_DELAY milliseconds a key, 30 unless told) into
# the built program on a private X server; the document saved through the
# save panel holds them all. (A lone upper-case binding reads as its lower
# case in every X program, so the text has none.) Skipped (status 77) when no
# X server can be started here.
#
#   live-accents.sh <program> <docshow>
set -u
PROGRAM=$1
DOCSHOW=$2
TEXT="Crème brûlée à la façon de Zoë, señor; naïve ærø øl"

. "$(dirname "$0")/live-session.sh"

"$PROGRAM" >"$WORK/app.log" 2>&1 &
APP_PID=$!
waitFor "Untitled-1" || fail "no untitled document window"
WINDOW=$(xdotool search --sync --name "Untitled-1" | head -n1)
xdotool windowactivate --sync "$WINDOW" 2>/dev/null || xdotool windowfocus --sync "$WINDOW" ||
    fail "the document window cannot be focused"
# The keys that follow reach the program after every letter.
xdotool type --delay ${SCRIVLY_KEY_DELAY:-30} "$TEXT"
xdotool key Escape

# Save As (its key: the menu bar lies elsewhere under a window manager), a
# name, Return.
xdotool key super+shift+s
waitFor "^Save$" || fail "no save panel"
PANEL=$(xdotool search --sync --name "^Save$" | head -n1)
xdotool windowactivate --sync "$PANEL" 2>/dev/null || xdotool windowfocus --sync "$PANEL" ||
    fail "the save panel cannot be focused"
xdotool type --delay 30 "accents"
xdotool key Return
waitFor "accents.syb" || fail "the document was not saved"
for i in $(seq 1 100); do [ -s accents.syb ] && break; sleep 0.1; done
[ -f accents.syb ] || fail "accents.syb is not on disk"

text=$("$DOCSHOW" text accents.syb) || fail "accents.syb cannot be read"
[ "$text" = "$TEXT" ] || fail "accents.syb holds \"$text\""
echo "PASS"
