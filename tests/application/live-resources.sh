#!/bin/sh
# The built program started as a user starts it, with no variable naming its
# resources, on a private X server: it opens a long RTF file of justified,
# hyphenated paragraphs (lines end inside words, so its layout asks for
# hyphen points) and says nothing on standard error about resources it could
# not find.
# Skipped (status 77) when no X server can be started here.
set -u
PROGRAM=$1
unset SCRIVLY_RESOURCES

. "$(dirname "$0")/live-session.sh"

{
    printf '%s\n' '{\rtf1\ansi{\fonttbl{\f0\froman Times-Roman;}}'
    for i in 1 2 3 4 5 6; do
        printf '%s ' '\pard\qj\zynhyph1\plain\f0\fs24 Typesetting international correspondence demands' \
             'extraordinary responsibility from every word processor, because paragraphs without' \
             'hyphenation leave conspicuous gaps between characteristically unbreakable multisyllabic' \
             'expressions and institutionalised terminology.\par'
        echo
    done
    printf '%s\n' '}'
} > long.rtf

"$PROGRAM" long.rtf >"$WORK/app.log" 2>&1 &
APP_PID=$!
waitFor "Untitled-1" || fail "the text file did not open"
# The window of the opened text is up: its first page was laid out. The
# program is left running; the session's end stops it.
if grep -i -E "SCRIVLY_RESOURCES|hyphenation|can not initialize|string table|bundle" "$WORK/app.log"; then
    fail "the program could not find its resources"
fi
echo "PASS"
