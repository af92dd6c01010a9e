# Sourced by the live-*.sh tests: the tools checked (LIVE_TOOLS adds some), a
# private X server (the test is skipped with status 77 when none starts), a
# work folder with private session, config and home folders removed at exit,
# and the helpers fail, waitFor, gone and click. Sets WORK and DISPLAY; the
# test sets APP_PID (and SOURCE_PID) to have them stopped at exit. With
# SCRIVLY_LIVE_WM=openbox the session runs that window manager (skipped with
# 77 when it is not installed); with SCRIVLY_LIVE_COMPOSITOR=xcompmgr also a
# compositing manager, as most desktops have (skipped likewise).
# The tools every live test needs, and those the test names in LIVE_TOOLS.
for tool in Xvfb xdotool xwd xwininfo xwdtopnm ${LIVE_TOOLS:-}; do
    command -v "$tool" >/dev/null 2>&1 || { echo "SKIP: $tool is not installed"; exit 77; }
done
WORK=$(mktemp -d /tmp/scrivly-live.XXXXXX)
mkdir -p "$WORK/run" "$WORK/config" "$WORK/home" "$WORK/docs"
chmod 700 "$WORK/run"
XVFB_PID=
APP_PID=
SOURCE_PID=
WM_PID=
COMPOSITOR_PID=
cleanup() {
    [ -n "$SOURCE_PID" ] && kill "$SOURCE_PID" 2>/dev/null
    [ -n "$COMPOSITOR_PID" ] && kill "$COMPOSITOR_PID" 2>/dev/null
    [ -n "$WM_PID" ] && kill "$WM_PID" 2>/dev/null
    [ -n "$APP_PID" ] && kill "$APP_PID" 2>/dev/null
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
    rm -rf "$WORK"
}
trap cleanup EXIT

# The server picks a free display number itself and names it only once it
# listens: a number picked here could belong to a server still leaving,
# which would answer the first check and then take the display with it.
for attempt in 1 2 3; do
    : >"$WORK/display"
    Xvfb -displayfd 3 -screen 0 1280x900x24 -nolisten tcp 3>"$WORK/display" >"$WORK/xvfb.log" 2>&1 &
    XVFB_PID=$!
    for i in $(seq 1 200); do
        kill -0 "$XVFB_PID" 2>/dev/null || break
        grep -q '^[0-9][0-9]*$' "$WORK/display" && break
        sleep 0.1
    done
    if kill -0 "$XVFB_PID" 2>/dev/null && grep -q '^[0-9][0-9]*$' "$WORK/display"; then
        export DISPLAY=":$(head -n1 "$WORK/display")"
        xdotool getdisplaygeometry >/dev/null 2>&1 && break
    fi
    kill "$XVFB_PID" 2>/dev/null
    XVFB_PID=
done
[ -n "$XVFB_PID" ] || { echo "SKIP: Xvfb did not start: $(cat "$WORK/xvfb.log")"; exit 77; }
export XDG_RUNTIME_DIR="$WORK/run" XDG_CONFIG_HOME="$WORK/config" HOME="$WORK/home" QT_QPA_PLATFORM=xcb
if [ -n "${SCRIVLY_LIVE_WM:-}" ]; then
    command -v "$SCRIVLY_LIVE_WM" >/dev/null 2>&1 || { echo "SKIP: $SCRIVLY_LIVE_WM is not installed"; exit 77; }
    # The window manager is in charge once it names itself on the root. On
    # a loaded machine one sometimes leaves at once, unable to open the
    # display the checks above reached: it is started again.
    for attempt in 1 2 3; do
        "$SCRIVLY_LIVE_WM" >"$WORK/wm.log" 2>&1 &
        WM_PID=$!
        for i in $(seq 1 200); do
            xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
            kill -0 "$WM_PID" 2>/dev/null || break
            sleep 0.1
        done
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
        echo "$SCRIVLY_LIVE_WM left (attempt $attempt): $(cat "$WORK/wm.log")" >&2
        kill "$WM_PID" 2>/dev/null
        WM_PID=
        sleep 0.5
    done
    [ -n "$WM_PID" ] || { echo "FAIL: $SCRIVLY_LIVE_WM did not start: $(cat "$WORK/wm.log"); X server alive: $(kill -0 "$XVFB_PID" 2>/dev/null && echo yes || echo no); $(cat "$WORK/xvfb.log")"; exit 1; }
fi
if [ -n "${SCRIVLY_LIVE_COMPOSITOR:-}" ]; then
    command -v "$SCRIVLY_LIVE_COMPOSITOR" >/dev/null 2>&1 ||
        { echo "SKIP: $SCRIVLY_LIVE_COMPOSITOR is not installed"; exit 77; }
    # Windows drawn off the screen and put together by the compositor: a
    # window whose drawing never reaches its surface shows black.
    "$SCRIVLY_LIVE_COMPOSITOR" -c >"$WORK/compositor.log" 2>&1 &
    COMPOSITOR_PID=$!
    # In charge once its window is there.
    for i in $(seq 1 200); do
        xdotool search --name "^$SCRIVLY_LIVE_COMPOSITOR\$" >/dev/null 2>&1 && break
        sleep 0.1
    done
    xdotool search --name "^$SCRIVLY_LIVE_COMPOSITOR\$" >/dev/null 2>&1 ||
        { echo "FAIL: $SCRIVLY_LIVE_COMPOSITOR did not start: $(cat "$WORK/compositor.log")"; exit 1; }
fi
# The program's behaviour is tested here; leaks are the unit tests' concern.
export ASAN_OPTIONS=detect_leaks=0
cd "$WORK/docs"

fail() { echo "FAIL: $*"; xdotool search --name '.' getwindowname %@ 2>/dev/null; cat "$WORK/app.log"; exit 1; }
# Waits for a window whose name matches; a busy machine may take long to
# show it, so the bound is generous (a minute) and the wait ends at once when
# it shows.
waitFor() {
    for i in $(seq 1 600); do
        xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    return 1
}
# Waits until the window holding the keyboard has a name that matches (a
# panel shown is not yet a panel typed into).
waitFocus() {
    for i in $(seq 1 300); do
        xdotool getwindowfocus getwindowname 2>/dev/null | grep -q "$1" && return 0
        sleep 0.1
    done
    return 1
}
gone() {
    for i in $(seq 1 600); do
        xdotool search --name "$1" >/dev/null 2>&1 || return 0
        sleep 0.1
    done
    return 1
}
click() { xdotool mousemove "$1" "$2" click 1; sleep 0.7; }
# Opens a menu of the menu bar by its title, and waits until its window
# shows (one more window on the screen).
openMenu() {
    shown=$(xdotool search --onlyvisible --name "" 2>/dev/null | wc -l)
    xdotool mousemove "$1" "$2" click 1
    for i in $(seq 1 600); do
        [ "$(xdotool search --onlyvisible --name "" 2>/dev/null | wc -l)" -gt "$shown" ] && return 0
        sleep 0.1
    done
    return 1
}
# Brings a window to the front with the keyboard and waits until the window
# named like $2 has it.
visibleWindow() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1; }
# A window manager on a loaded machine may drop an activation: asked again
# until the keyboard arrives.
focusWindow() {
    for attempt in 1 2 3; do
        xdotool windowactivate --sync "$1" 2>/dev/null || xdotool windowfocus --sync "$1" 2>/dev/null ||
            fail "the window $1 cannot be focused"
        waitFocus "$2" && return 0
    done
    fail "$2 does not have the keyboard"
}
# Opens the Tabs panel from Format > Text of the key window's menu bar (no
# window manager's decorations above it): the one new window on the screen.
# Sets TABS.
openTabsPanel() {
    openMenu 183 8 || fail "the Format menu did not open"
    click 198 51
    xdotool search --onlyvisible --name "" 2>/dev/null | sort > "$WORK/menus.txt"
    # Format > Text > Tabs..., below the Leading submenu.
    xdotool mousemove 323 389 click 1
    TABS=
    for i in $(seq 1 600); do
        TABS=$(xdotool search --onlyvisible --name "" 2>/dev/null | sort | comm -13 "$WORK/menus.txt" - | head -n1)
        [ -n "$TABS" ] && break
        sleep 0.1
    done
    [ -n "$TABS" ] || fail "the Tabs panel did not show"
}

# The screen's picture as NAME.ppm in SCRIVLY_KEEP_SHOTS, when it is set.
keepShot() {
    [ -n "${SCRIVLY_KEEP_SHOTS:-}" ] || return 0
    mkdir -p "$SCRIVLY_KEEP_SHOTS"
    xwd -root -silent | xwdtopnm 2>/dev/null > "$SCRIVLY_KEEP_SHOTS/$1.ppm"
}
# Where window $1 is on the screen: X and Y.
placeOf() {
    info=$(xwininfo -id "$1") || return 1
    X=$(echo "$info" | sed -n 's/.*Absolute upper-left X: *//p')
    Y=$(echo "$info" | sed -n 's/.*Absolute upper-left Y: *//p')
}
