#!/bin/sh
# Runs a test program against virtual-titler: starts it on a pseudo-terminal,
# maps COM<number> to it, puts settings beside the line on the port that
# configuring it must leave alone, runs the program with ORB_TITLER_PORT set,
# then stops virtual-titler and checks what it saw: the commands it decoded
# must be the expected file's lines, and the line must have been set to
# 9600 baud, 8N2.
#
# usage: run-on-virtual-titler.sh native|wine VIRTUAL_TITLER NUMBER EXPECTED -- PROGRAM [ARG...]
#   native  maps the port in $XDG_CONFIG_HOME/orbilane/dosdevices, in a
#           folder of the run's own
#   wine    maps it in $WINEPREFIX/dosdevices; PROGRAM is the emulator and
#           the Windows program, which the prefix is made with if need be.
#           Wine sets a raw line of its own around our settings, so only the
#           line report's start is checked there.
# Exits 77 (skipped) when VIRTUAL_TITLER has not been built.
set -u
mode=$1 tool=$2 number=$3 expected=$4
shift 4
[ "${1:-}" = "--" ] && shift

if [ ! -x "$tool" ]; then
  echo "virtual-titler is not built at $tool (build the linux preset first)"
  exit 77
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/orb-titler-line.XXXXXX")
titler_pid=
stop_titler() {
  if [ -n "$titler_pid" ]; then
    kill -TERM "$titler_pid" 2>/dev/null
    wait "$titler_pid" 2>/dev/null
    titler_pid=
  fi
}
trap 'stop_titler; rm -rf "$work"' EXIT
trap 'exit 1' INT TERM

fail() {
  echo "FAILED: $*"
  echo "--- virtual-titler printed:"
  cat "$work/titler.out" "$work/titler.err" 2>/dev/null
  exit 1
}

case $mode in
  native)
    XDG_CONFIG_HOME=$work/config
    export XDG_CONFIG_HOME
    link=$XDG_CONFIG_HOME/orbilane/dosdevices/com$number
    line_report='^line 9600 8N2$'
    ;;
  wine)
    link=${WINEPREFIX:?WINEPREFIX must name the prefix}/dosdevices/com$number
    line_report='^line 9600 8N2'
    # Wine's set-up of a new prefix spins for ever on a COM link to a
    # pseudo-terminal: the prefix is made first (by the emulator, $1, under
    # its lock), and the link only once no set-up is under way.
    rm -f "$link"
    if [ ! -f "$WINEPREFIX/.orb-prefix-ready" ]; then
      "$1" cmd.exe /c exit >/dev/null 2>&1 || fail "could not make the wine prefix"
    fi
    flock "$WINEPREFIX.lock" true 2>/dev/null
    ;;
  *) echo "unknown mode: $mode"; exit 2 ;;
esac

"$tool" --link "$link" >"$work/titler.out" 2>"$work/titler.err" &
titler_pid=$!
tries=0
until grep -q '^virtual-titler: ' "$work/titler.out" 2>/dev/null; do
  kill -0 "$titler_pid" 2>/dev/null || fail "virtual-titler did not start"
  tries=$((tries + 1))
  [ "$tries" -le 200 ] || fail "virtual-titler printed no device in 10 s"
  sleep 0.05
done
slave=$(sed -n 's/^virtual-titler: //p' "$work/titler.out")

# Flow control and an odd XON character, as a user's stty might have left them.
stty -F "$slave" crtscts start '^A' || fail "stty on $slave"

ORB_TITLER_PORT=COM$number "$@"
status=$?
stop_titler

[ "$status" -eq 0 ] || fail "the test program exited with $status"
grep -Eq "$line_report" "$work/titler.out" || fail "no line report matching '$line_report'"
grep -E '^(init|timestamp|garbage)' "$work/titler.out" >"$work/decoded"
cmp -s "$work/decoded" "$expected" || {
  diff "$expected" "$work/decoded"
  fail "virtual-titler decoded other commands than $expected"
}
exit 0
