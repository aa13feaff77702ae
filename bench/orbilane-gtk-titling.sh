#!/usr/bin/env bash
# The real orbilane as one titling process for bench/titling-age.sh: on a
# private Xvfb with a window manager, it types the port number into the
# window, presses Start, titles for a while, presses Stop and closes the
# window, all with xdotool as a person would.
#
#   bench/titling-age.sh BIN_DIR -- bench/orbilane-gtk-titling.sh BIN_DIR
#
# titling-age.sh appends "PORT_NUMBER SECONDS QUERY_PORT COMMAND_PORT". The
# product has no way to be pointed at other server ports, so this starts a
# quorvex-sim of its own on the fixed ports 26200 and 26100 (which must be
# free); its clock is the same as the bench's server's, microseconds since
# the Unix epoch, and titling-age.sh measures the round trip on its own.
# Exits 1 when titling did not start or a message box came up.
set -uo pipefail
bin=$1 port=$2 seconds=$3
caption="Tamberlow Orbilane v1.10"
work=$(mktemp -d "${TMPDIR:-/tmp}/orb-gtk-titling.XXXXXX")
pids=()
cleanup() {
  local i
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null; done
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do wait "${pids[i]}" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT
die() { echo "orbilane-gtk-titling: $*" >&2; exit 1; }
await() {
  local what=$1; shift
  for _ in $(seq 100); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
  die "$what did not happen"
}

"$bin/quorvex-sim" >"$work/sim.out" 2>&1 &
pids+=($!)
await "quorvex-sim on 26200 and 26100" grep -q "^quorvex-sim query-port 26200 command-port 26100" "$work/sim.out"

Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
pids+=($!)
await "Xvfb starting" test -s "$work/display"
export DISPLAY=":$(head -1 "$work/display")"
openbox --sm-disable >/dev/null 2>&1 &
pids+=($!)

"$bin/orbilane" 2>"$work/orbilane.err" &
app=$!
pids+=("$app")
await "the window opening" xdotool search --onlyvisible --name "^$caption\$"
window=$(xdotool search --onlyvisible --name "^$caption\$" | head -1)

# The middle of a control, given in the template's dialog units; the
# window's size gives the dialog units away.
click_control() {
  eval "$(xdotool getwindowgeometry --shell "$window")"
  local bx=$(((WIDTH * 4 + 101) / 202)) by=$(((HEIGHT * 8 + 47) / 95))
  xdotool mousemove --window "$window" $((($1 * bx + 2) / 4)) $((($2 * by + 4) / 8)) click 1
}
boxes() { xdotool search --onlyvisible --name . 2>/dev/null | while read -r w; do
  [ "$(xdotool getwindowname "$w")" != "$caption" ] && echo "$w"; done; }

sleep 1
click_control 97 33        # the port field, 83,27 28x12
xdotool key ctrl+a
xdotool type "$port"
click_control 168 17       # Start, 142,11 52x12
sleep "$seconds"
[ -z "$(boxes)" ] || die "a message box came up: $(boxes | xargs -r -n1 xdotool getwindowname)"
click_control 168 33       # Stop, 142,27 52x12
sleep 1.5
xdotool key Escape
for _ in $(seq 100); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app" 2>/dev/null && die "the window did not close"
wait "$app"
