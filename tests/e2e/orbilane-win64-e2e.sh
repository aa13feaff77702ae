#!/usr/bin/env bash
# Orbilane.exe under wine64 on a private Xvfb, used as a person would use it:
# the window opens as its template says, with 0 and 1 in its fields and Start
# ready; xdotool clicks and types. With quorvex-sim serving on the fixed ports
# and a COM port of the prefix mapped to virtual-titler, Enter (Start) starts
# titling: the titler receives its init command and then timestamps, and the
# window shows one that the titler received; Stop stops it. Without a server,
# on port 0, with a server that refuses "-GetTimestamp" and with the server
# stopped mid-titling, the boxes say so and Enter dismisses them. Esc and the
# close request end the program, and nothing is left on the display. A probe
# inside wine reads the window and its boxes and starts the program, so that
# its exit code is seen.
#
#   orbilane-win64-e2e.sh ORBILANE.EXE PROBE.EXE SCREENSHOT.PNG QUORVEX_SIM VIRTUAL_TITLER
# QUORVEX_SIM and VIRTUAL_TITLER are the native programs of the linux build.
# Exits 77 (skipped) when Xvfb is not installed or they have not been built.
set -uo pipefail

orbilane=$1
probe=$2
screenshot=$3
sim=$4
titler=$5
com=19  # the prefix's dosdevices are shared with the other line tests: a number of our own
wine_run=${ORB_WINE_RUN:-$(cd "$(dirname "$0")/../.." && pwd)/cmake/wine-run}
caption="Tamberlow Orbilane v1.10"

if ! command -v Xvfb >/dev/null; then
    echo "SKIPPED: Xvfb is not installed (scripts/deps installs it)"
    exit 77
fi
for tool in "$sim" "$titler"; do
    [ -x "$tool" ] || { echo "SKIPPED: $tool is not built (build the linux preset first)"; exit 77; }
done
for tool in xdotool import xwininfo; do
    command -v "$tool" >/dev/null || { echo "FAILED: $tool is not installed (scripts/deps installs it)"; exit 1; }
done

work=$(mktemp -d)
xvfb_pid=""
probe_pid=""
sim_pid=""
titler_pid=""
failures=0

stop_sim() {
    if [ -n "$sim_pid" ]; then
        kill "$sim_pid" 2>/dev/null
        wait "$sim_pid" 2>/dev/null
        sim_pid=""
    fi
}

cleanup() {
    if [ -n "$probe_pid" ] && kill -0 "$probe_pid" 2>/dev/null; then
        kill "$probe_pid" 2>/dev/null
    fi
    stop_sim
    if [ -n "$titler_pid" ]; then
        kill "$titler_pid" 2>/dev/null
        wait "$titler_pid" 2>/dev/null
    fi
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null
        wait "$xvfb_pid" 2>/dev/null
    fi
    rm -rf "$work"
}
trap cleanup EXIT
# die may run inside a command substitution: it ends the whole test by signal.
trap 'exit 1' TERM

fail() {
    echo "FAILED: $*"
    failures=$((failures + 1))
}

die() {
    {
        echo "FAILED: $*"
        echo "--- wine's messages:"
        cat "$work/wine.log" 2>/dev/null
    } >&2
    kill -TERM $$
    exit 1
}

# A display of our own, on a number the server picks itself.
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
[ -s "$work/display" ] || die "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$(head -1 "$work/display")"

# One wine start for the whole test: a virtual desktop, in which wine draws
# the window frames itself (there is no window manager), running the probe.
rm -f "$WINEPREFIX/dosdevices/com$com"  # a link left over would hang a new prefix's set-up
coproc PROBE { ORB_WINE_DIRECT=1 exec "$wine_run" explorer "/desktop=orbilane-e2e,640x400" "$probe" 2>"$work/wine.log"; }
probe_pid=$PROBE_PID

# Sends one command to the probe and prints its answer.
ask() {
    echo "$1" >&"${PROBE[1]}"
    local line
    while IFS= read -r -t 60 line <&"${PROBE[0]}"; do
        line=${line%$'\r'}
        [ "$line" = end ] && return 0
        printf '%s\n' "$line"
    done
    die "the probe gave no answer to: $1"
}

# The value of key=value in the probe's state report. (Not in a pipeline: the
# probe's pipes are not there in a pipeline's subshells.)
state_of() {
    local report
    report=$(ask state)
    sed -n "s/^$1=//p" <<<"$report"
}

# Input from xdotool reaches the program a little later: ask until the
# field shows what was typed, a bounded number of times.
await_state() {
    local key=$1 want=$2 got=""
    for _ in $(seq 50); do
        got=$(state_of "$key")
        [ "$got" = "$want" ] && return 0
        sleep 0.2
    done
    fail "$key is '$got', expected '$want'"
    return 1
}

expect_same() {
    local what=$1 want=$2 got=$3
    if [ "$want" != "$got" ]; then
        fail "$what differs"
        diff <(printf '%s\n' "$want") <(printf '%s\n' "$got") | sed 's/^/    /'
    fi
}

windows_path() {
    local path
    path=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
    printf 'Z:%s' "${path//\//\\}"
}

program=$(windows_path "$orbilane")

# The COM port: only now, once wine has made its prefix (its set-up spins
# on a COM link to a pseudo-terminal), virtual-titler's device is linked in.
ask active >/dev/null
"$titler" --link "$WINEPREFIX/dosdevices/com$com" >"$work/titler.log" 2>"$work/titler.err" &
titler_pid=$!
for _ in $(seq 100); do
    grep -q '^virtual-titler: ' "$work/titler.log" && break
    sleep 0.1
done
grep -q '^virtual-titler: ' "$work/titler.log" || die "virtual-titler did not start: $(cat "$work/titler.err")"


# Clicks at a point of the virtual desktop, which lies at the display's origin.
click_at() {
    xdotool mousemove --sync "$1" "$2" click 1
}

run_until_window() {
    [ "$(ask "start $program")" = started ] || die "Orbilane.exe did not start"
    [ "$(ask "wait $caption")" = window ] || die "no window captioned '$caption' opened"
}

# quorvex-sim on the fixed ports 26200 and 26100, with OPTIONS.
start_sim() {
    : >"$work/sim.out"
    "$sim" --lifetime 300 "$@" >"$work/sim.out" 2>&1 &
    sim_pid=$!
    for _ in $(seq 100); do
        grep -q '^quorvex-sim query-port 26200 command-port 26100' "$work/sim.out" && return 0
        kill -0 "$sim_pid" 2>/dev/null || break
        sleep 0.1
    done
    die "quorvex-sim did not start on the fixed ports: $(cat "$work/sim.out")"
}

# The lines virtual-titler printed after line $1 of its log.
titler_since() {
    tail -n +"$(($1 + 1))" "$work/titler.log"
}
titler_mark() {
    wc -l <"$work/titler.log"
}

# The titler received its init command and then timestamps after mark $1,
# and the window shows a timestamp that the titler received.
expect_titling() {
    local mark=$1 shown="" ok=""
    for _ in $(seq 100); do
        if titler_since "$mark" | grep -m1 -E '^(init|timestamp)' | grep -qx init &&
            [ "$(titler_since "$mark" | grep -c '^timestamp ')" -ge 3 ]; then
            ok=1
            break
        fi
        sleep 0.1
    done
    [ -n "$ok" ] || { fail "the titler did not receive init and timestamps: $(titler_since "$mark" | head)"; return 1; }
    local report
    report=$(ask state)
    expect_same "titling state" "enabled1004=0
enabled1005=1" "$(grep '^enabled' <<<"$report")"
    shown=$(state_of text1003)
    for _ in $(seq 50); do
        titler_since "$mark" | grep -qx "timestamp $shown" && return 0
        sleep 0.1
    done
    fail "the window shows $shown, which the titler never received"
}

# A message box of the program with this caption, text and owner; Enter
# dismisses it, and titling is idle again.
expect_box() {
    expect_same "message box" "caption=$1
text=$2
owner=$3" "$(ask box)"
    xdotool key Return
    [ "$(ask nobox)" = gone ] || fail "Enter did not dismiss the box '$2'"
    await_state enabled1004 1
    await_state enabled1005 0
}

# Replaces the port field's text with $1, as a person would: click, clear, type.
type_port() {
    local fx fy
    read -r fx fy <<<"$(ask "center 1006")"
    click_at "$fx" "$fy"
    await_state focus 1006
    xdotool key End BackSpace BackSpace BackSpace BackSpace BackSpace BackSpace
    xdotool type "$1"
    await_state text1006 "$1"
}

click_control() {
    local x y
    read -r x y <<<"$(ask "center $1")"
    click_at "$x" "$y"
}

activate() {
    read -r wx wy ww wh <<<"$(ask rect)"
    click_at $((wx + ww / 2)) $((wy + 8))
    for _ in $(seq 50); do
        [ "$(ask active)" = 1 ] && break
        sleep 0.2
    done
    [ "$(ask active)" = 1 ] || fail "a click on the caption bar did not activate the window"
}

not_connected="Could not connect to Quorvex.  Make sure Quorvex is running and that Orbilane is on the same PC as Quorvex"
unsupported="The version of Quorvex you are using does not support the -GetTimestamp command.  You must upgrade to the current version of Quorvex to use this program."
lost="Lost the connection to Quorvex.  Titling has been stopped.  Make sure Quorvex is running and press Start to begin titling again."

# --- first run: what the window shows; no server; port 0; Esc ------------
run_until_window

expect_same "opening state" "caption=$caption
text1003=0
text1006=1
enabled1004=1
enabled1005=0
focus=1004" "$(ask state)"

# The template, control by control in tab order: class, id, style, extended
# style, text and position in dialog units. The edit field's border shows as
# the client edge that the system gives bordered edit fields.
usage="Begin by starting up the Tamberlow Quorvex Data Aquisition Software.  Begin Aquisition on the software and then start and stop timestamp titling by clicking on the start and stop buttons above."
expect_same "layout" "client=202x95
Static|-1|50020000|00000004|TimeStamp:|5,13,38,8
Button|1004|50010001|00000004|Start|142,11,52,12
Button|1005|58010000|00000004|Stop|142,27,52,12
Static|-1|50020000|00000004|Com/Serial Port Number|5,29,77,8
Edit|1006|50010080|00000204|1|83,27,28,12
Button|-1|50000007|00000004|Horita SCT-50 |2,0,197,44
Button|-1|50000007|00000004|Program Usage|2,44,197,47
Static|-1|50020000|00000004|$usage|8,56,185,34
Static|1003|50020000|00000004|0|45,13,92,8" "$(ask layout)"

frame=$(ask frame)
style=$((16#$(sed -n 's/^style=//p' <<<"$frame")))
exstyle=$((16#$(sed -n 's/^exstyle=//p' <<<"$frame")))
[ "$(sed -n 's/^class=//p' <<<"$frame")" = "#32770" ] || fail "the window is not a dialog: $frame"
# popup, visible, caption, system menu, modal frame; no minimise or maximise box
(( (style & 0x90C80080) == 0x90C80080 )) || fail "frame style $(printf %08x $style) lacks popup, visible, caption, system menu or modal frame"
(( (style & 0x00030000) == 0 )) || fail "frame style $(printf %08x $style) has a minimise or maximise box"
(( (exstyle & 0x00040000) != 0 )) || fail "the window is not shown in the task bar (no WS_EX_APPWINDOW)"

expect_same "version record" "fixed=1.1.0.0 1.1.0.0 os=4 type=1 flags=0
translation=0409 1252
CompanyName=Tamberlow
FileDescription=Orbilane for use with Horita SCT-50
FileVersion=1.1.0.0
InternalName=Orbilane.exe
OriginalFilename=Orbilane.exe
ProductName=Orbilane
ProductVersion=1.1.0.0" "$(ask "version $program")"

# Activate the window by its caption bar, as a person would.
activate
await_state focus 1004

# The port field: type the titler's port and press Enter, which is Start.
# No server runs yet: the port opens and the titler is initialised, then the
# connection box comes, owned by the window.
mark=$(titler_mark)
type_port $com
xdotool key Return
expect_box "Quorvex Connection Error" "$not_connected" main
[ "$(titler_since "$mark" | grep -E '^(init|timestamp)')" = init ] ||
    fail "before the connection the titler gets its init command alone: $(titler_since "$mark")"

# Port 0 names no port: the port's own box, with no owner.
type_port 0
click_control 1004
expect_box "COM Initialization Error" "Coult not initialize COM0. ERROR: 2" none

# Esc reaches the dialog as cancel, which runs the close steps.
activate
xdotool key Escape
expect_same "exit code after Esc" 0 "$(ask exitcode)"

# --- second run: a server that refuses -GetTimestamp, titling, Stop, the
# server stopped mid-titling, and the close request (WM_CLOSE) ------------
start_sim --fault timestamp-status=-1
run_until_window
activate
mark=$(titler_mark)
type_port $com
click_control 1004
expect_box "Quorvex Connection Error" "$unsupported" main
[ "$(titler_since "$mark" | grep -E '^(init|timestamp)')" = init ] ||
    fail "a refused -GetTimestamp sends the titler nothing after its init command: $(titler_since "$mark")"
stop_sim

start_sim
mark=$(titler_mark)
click_control 1004
await_state enabled1004 0
expect_titling "$mark"
# The picture for the README: the window while titling.
activate
ask redraw >/dev/null
read -r wx wy ww wh <<<"$(ask rect)"
import -window root -crop "${ww}x${wh}+${wx}+${wy}" +repage "$screenshot" 2>>"$work/wine.log" ||
    fail "no screenshot"
click_control 1005
await_state enabled1005 0
await_state enabled1004 1
# Stopped: the port is closed, so nothing more reaches the titler.
stopped=$(titler_mark)
sleep 0.5
[ "$(titler_since "$stopped" | grep -c '^timestamp ')" -le 1 ] ||
    fail "timestamps still reach the titler after Stop: $(titler_since "$stopped" | head -3)"

mark=$(titler_mark)
click_control 1004
expect_titling "$mark"
stop_sim
expect_box "Quorvex Connection Error" "$lost" main

[ "$(ask close)" = posted ] || fail "WM_CLOSE could not be posted"
expect_same "exit code after WM_CLOSE" 0 "$(ask exitcode)"

# --- nothing left behind --------------------------------------------------
echo quit >&"${PROBE[1]}"
for _ in $(seq 150); do
    kill -0 "$probe_pid" 2>/dev/null || break
    sleep 0.2
done
kill -0 "$probe_pid" 2>/dev/null && fail "the probe and its wine desktop did not end"
probe_pid=""
left=""
for _ in $(seq 150); do
    left=$(xwininfo -root -children | sed -n 's/^ *\(0x[0-9a-f]*\) .*/\1/p')
    [ -z "$left" ] && break
    sleep 0.2
done
[ -z "$left" ] || fail "windows left on the display: $(xwininfo -root -children | tail -n +6)"

if [ "$failures" -gt 0 ]; then
    echo "--- wine's messages:"
    cat "$work/wine.log"
    exit 1
fi
echo "Orbilane.exe end to end: window, layout, version, typing, titling, Stop, the four boxes, Esc and close all as expected"
