#!/bin/sh
# A user checks the spelling of a new document, fixes a word from the
# engine's first guess, learns another word, and finds it still learned
# after the program starts again, in the built program on a private X
# server. Skipped (status 77) when no X server can be started here.
#
#   live-spell.sh <program>
#
# SCRIVLY_KEEP_SHOTS=folder keeps the screen after the check and the fix.
set -u
PROGRAM=$1

. "$(dirname "$0")/live-session.sh"

LEARNED="$XDG_CONFIG_HOME/Scrivly/LearnedWords"
# The program ends without the close question of the edited document.
stopProgram() {
    kill "$APP_PID"
    for i in $(seq 1 600); do
        kill -0 "$APP_PID" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$APP_PID" 2>/dev/null && fail "the program did not end"
    APP_PID=
}

"$PROGRAM" >"$WORK/app.log" 2>&1 &
APP_PID=$!
waitFor "Untitled-1" || fail "no untitled document window"
focusWindow "$(visibleWindow "Untitled-1")" "Untitled-1"
xdotool type --delay 20 "the wrod sat on the mat zqxwv"

# Edit > Spelling... (Super-:) and Check All.
xdotool key super+colon
waitFor "^Spelling$" || fail "Super-: did not show the spelling panel"
PANEL=$(visibleWindow "^Spelling$")
placeOf "$PANEL" || fail "no place of the spelling panel"
click $((X + 362)) $((Y + 277))
sleep 1
keepShot checked
# The first guess of "wrod", then Fix.
click $((X + 310)) $((Y + 66))
click $((X + 138)) $((Y + 343))
sleep 1
keepShot fixed
# The second bad word, then Learn.
click $((X + 100)) $((Y + 83))
click $((X + 310)) $((Y + 343))
for i in $(seq 1 100); do
    grep -q zqxwv "$LEARNED" 2>/dev/null && break
    sleep 0.1
done
grep -q zqxwv "$LEARNED" 2>/dev/null || fail "Learn did not write the learned word"
grep -q wrod "$LEARNED" && fail "the fixed word was learned"
stopProgram

# Started again: the word is still learned, and a check finds nothing.
"$PROGRAM" >"$WORK/app2.log" 2>&1 &
APP_PID=$!
waitFor "Untitled-1" || fail "no untitled document window after the restart"
grep -q zqxwv "$LEARNED" || fail "the learned word is gone"
focusWindow "$(visibleWindow "Untitled-1")" "Untitled-1"
xdotool type --delay 20 "the zqxwv sat"
xdotool key super+colon
waitFor "^Spelling$" || fail "Super-: did not show the spelling panel after the restart"
PANEL=$(visibleWindow "^Spelling$")
placeOf "$PANEL" || fail "no place of the spelling panel"
click $((X + 362)) $((Y + 277))
# The alert says there is nothing to fix: a second window of that title.
n=0
for i in $(seq 1 600); do
    n=$(xdotool search --onlyvisible --name "^Spelling$" 2>/dev/null | wc -l)
    [ "$n" -ge 2 ] && break
    sleep 0.1
done
keepShot restarted
[ "$n" -ge 2 ] || fail "no \"No Misspelled Words\" alert after the restart"
xdotool key Return
stopProgram
echo "PASS"
