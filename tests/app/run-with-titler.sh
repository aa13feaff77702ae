#!/bin/sh
# Runs a titling test program with a COM port mapped to virtual-titler, and
# lets the program cut the line and restore it while it runs.
#
# usage: run-with-titler.sh native|wine VIRTUAL_TITLER NUMBER -- PROGRAM [ARG...]
#
# The program finds in its environment:
#   ORB_TITLER_PORT     COM<NUMBER>, mapped as run-on-virtual-titler.sh maps it
#                       (natively through a private XDG_CONFIG_HOME, under wine
#                       through $WINEPREFIX/dosdevices)
#   ORB_TITLER_LOG      the file virtual-titler prints its decoded commands to
#                       (appended to by every virtual-titler of the run)
#   ORB_TITLER_CONTROL  a folder for requests: a file "cut" there ends
#                       virtual-titler (its pseudo-terminal goes, so a write to
#                       the open port fails) and "cut" is renamed "cut.done";
#                       a file "restore" starts a new one on the same COM
#                       number, then it is renamed "restore.done"
# Under wine the two paths are given in the Windows form (Z:\...).
# Exits 77 (skipped) when VIRTUAL_TITLER has not been built, otherwise with
# the program's exit status.
set -u
mode=$1 tool=$2 number=$3
shift 3
[ "${1:-}" = "--" ] && shift

if [ ! -x "$tool" ]; then
  echo "virtual-titler is not built at $tool (build the linux preset first)"
  exit 77
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/orb-titling.XXXXXX")
titler_pid=
program_pid=
stop_titler() {
  if [ -n "$titler_pid" ]; then
    kill -TERM "$titler_pid" 2>/dev/null
    wait "$titler_pid" 2>/dev/null
    titler_pid=
  fi
}
cleanup() {
  if [ -n "$program_pid" ]; then
    kill -TERM "$program_pid" 2>/dev/null
    wait "$program_pid" 2>/dev/null
  fi
  stop_titler
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

fail() {
  echo "FAILED: $*"
  cat "$work/titler.err" 2>/dev/null
  exit 1
}

windows_path() {
  printf 'Z:%s' "$(printf '%s' "$1" | sed 's|/|\\|g')"
}

mkdir -p "$work/control"
: >"$work/titler.log"
case $mode in
  native)
    XDG_CONFIG_HOME=$work/config
    export XDG_CONFIG_HOME
    link=$XDG_CONFIG_HOME/orbilane/dosdevices/com$number
    ORB_TITLER_LOG=$work/titler.log
    ORB_TITLER_CONTROL=$work/control
    ;;
  wine)
    link=${WINEPREFIX:?WINEPREFIX must name the prefix}/dosdevices/com$number
    # A new prefix is made before the COM link exists: wine's set-up spins
    # for ever on a link to a pseudo-terminal.
    rm -f "$link"
    if [ ! -f "$WINEPREFIX/.orb-prefix-ready" ]; then
      "$1" cmd.exe /c exit >/dev/null 2>&1 || fail "could not make the wine prefix"
    fi
    flock "$WINEPREFIX.lock" true 2>/dev/null
    ORB_TITLER_LOG=$(windows_path "$work/titler.log")
    ORB_TITLER_CONTROL=$(windows_path "$work/control")
    ;;
  *) echo "unknown mode: $mode"; exit 2 ;;
esac
export ORB_TITLER_LOG ORB_TITLER_CONTROL
ORB_TITLER_PORT=COM$number
export ORB_TITLER_PORT

# Starts virtual-titler and waits until its device is linked.
start_titler() {
  starts=$(grep -c '^virtual-titler: ' "$work/titler.log")
  "$tool" --link "$link" >>"$work/titler.log" 2>>"$work/titler.err" &
  titler_pid=$!
  tries=0
  until [ "$(grep -c '^virtual-titler: ' "$work/titler.log")" -gt "$starts" ] && [ -L "$link" ]; do
    kill -0 "$titler_pid" 2>/dev/null || fail "virtual-titler did not start"
    tries=$((tries + 1))
    [ "$tries" -le 200 ] || fail "virtual-titler printed no device in 10 s"
    sleep 0.05
  done
}

start_titler
"$@" &
program_pid=$!
while kill -0 "$program_pid" 2>/dev/null; do
  if [ -e "$work/control/cut" ]; then
    stop_titler
    mv "$work/control/cut" "$work/control/cut.done"
  fi
  if [ -e "$work/control/restore" ]; then
    stop_titler
    start_titler
    mv "$work/control/restore" "$work/control/restore.done"
  fi
  sleep 0.05
done
wait "$program_pid"
status=$?
program_pid=
exit "$status"
