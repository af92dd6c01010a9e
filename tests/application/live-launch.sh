#!/bin/sh
# A second launch of the built program with a file, on a private X server,
# while the first program
#   alert:   waits in an alert for the user's answer: the second hands the
#            file over and ends at once; the file opens once the alert is
#            answered, in the first program;
#   crowd:   has every place of its socket taken by clients that never
#            speak: the second still hands the file over and ends;
#   stopped: does not answer at all (stopped): the second says so, ends with
#            status 1 and opens nothing itself.
# In no case does a second program open the file. Skipped (status 77) when
# no X server can be started here.
set -u
CASE=$1
PROGRAM=$2
CLIENTS=$3
DOCUMENT=$4

. "$(dirname "$0")/live-session.sh"

# A program under the sanitizers on a busy machine starts slowly: the
# waits below are generous, and each ends as soon as what it waits for is
# there.
waitLong() {
    for i in $(seq 1 1200); do
        xdotool search --name "$1" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    return 1
}
shown() { xdotool search --name "$1" >/dev/null 2>&1; }

# A document the program wrote (the word-processor seed of the document
# reader's corpus, less the byte that chooses the seed's kind).
tail -c +2 "$DOCUMENT" > other.syb

case "$CASE" in
alert)
    printf 'not a document' > broken.syb
    "$PROGRAM" broken.syb >"$WORK/app.log" 2>&1 &
    APP_PID=$!
    waitLong "^Open Document$" || fail "no alert about the broken file"
    ;;
crowd|stopped)
    "$PROGRAM" >"$WORK/app.log" 2>&1 &
    APP_PID=$!
    waitLong "Untitled-1" || fail "no untitled document window"
    ;;
*)
    echo "unknown case $CASE"; exit 2 ;;
esac

if [ "$CASE" = crowd ]; then
    "$CLIENTS" "$XDG_RUNTIME_DIR/ScrivlyLaunch" 64 >"$WORK/clients.log" 2>&1 &
    SOURCE_PID=$!
    for i in $(seq 1 600); do
        grep -q "connected 64" "$WORK/clients.log" 2>/dev/null && break
        kill -0 "$SOURCE_PID" 2>/dev/null || break
        sleep 0.1
    done
    grep -q "connected 64" "$WORK/clients.log" || fail "the silent clients did not connect: $(cat "$WORK/clients.log")"
fi
[ "$CASE" = stopped ] && kill -STOP "$APP_PID"

# The second launch: a second program that opened the file would run on
# until the time-out ends it (status 124).
timeout 150 "$PROGRAM" other.syb >"$WORK/second.log" 2>&1
status=$?

if [ "$CASE" = stopped ]; then
    # The stopped program shows nothing new: a window of the file could
    # only be a second program's.
    opened=no
    shown "other.syb" && opened=yes
    # Once going again it may still take the request that waited for it.
    kill -CONT "$APP_PID"
    [ "$status" -eq 1 ] || fail "the second launch ended with $status: $(cat "$WORK/second.log")"
    grep -q "did not take the files" "$WORK/second.log" || fail "the second launch did not say why: $(cat "$WORK/second.log")"
    [ "$opened" = no ] || fail "the file was opened although the first program did not take it"
    kill -0 "$APP_PID" 2>/dev/null || fail "the first program is gone"
    echo "PASS"
    exit 0
fi

[ "$status" -eq 0 ] || fail "the second launch ended with $status: $(cat "$WORK/second.log")"
if [ "$CASE" = alert ]; then
    # Taken, not opened yet: the alert still waits for its answer.
    shown "other.syb" && fail "the file opened while the alert waited"
    shown "^Open Document$" || fail "the alert went away by itself"
    # The alert takes the focus once it is on the screen, not when it is
    # first named.
    answered=no
    for i in $(seq 1 150); do
        if xdotool search --onlyvisible --name "^Open Document$" windowfocus --sync 2>/dev/null; then
            answered=yes
            break
        fi
        sleep 0.1
    done
    [ "$answered" = yes ] || fail "the alert could not be answered"
    xdotool key Return
fi
waitLong "other.syb" || fail "the first program did not open the file handed over"
kill -0 "$APP_PID" 2>/dev/null || fail "the first program is gone"
echo "PASS"
