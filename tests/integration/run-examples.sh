#!/usr/bin/env bash
# The two example programs as a user runs them: quorvex-sim on its own ports
# (26200 and 26100), then each example against it. kovane-timestamp must print
# its COUNT timestamps, rising; kovane-streams must list the server's objects
# and see records of every kind in each second it watched.
#
#   run-examples.sh BIN_DIR
set -uo pipefail
bin=$1
work=$(mktemp -d)
sim_pid=""
cleanup() {
    [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; for f in "$work"/*.out; do echo "--- $f"; cat "$f"; done; exit 1; }

"$bin/quorvex-sim" --lifetime 60 >"$work/sim.out" 2>&1 &
sim_pid=$!
for _ in $(seq 100); do
    grep -q "^quorvex-sim query-port" "$work/sim.out" && break
    sleep 0.1
done
grep -q "^quorvex-sim query-port 26200 command-port 26100" "$work/sim.out" || fail "quorvex-sim did not start on 26200 and 26100"

timeout 30 "$bin/kovane-timestamp" localhost 5 >"$work/timestamp.out" 2>&1 || fail "kovane-timestamp exited $?"
grep -q "^connected to Quorvex Simulator" "$work/timestamp.out" || fail "kovane-timestamp did not say where it connected"
grep -E '^[0-9]+$' "$work/timestamp.out" >"$work/stamps"
[ "$(wc -l <"$work/stamps")" -eq 5 ] || fail "kovane-timestamp did not print 5 timestamps"
sort -n -c "$work/stamps" 2>/dev/null || fail "the timestamps do not rise"

timeout 30 "$bin/kovane-streams" localhost 2 >"$work/streams.out" 2>&1 || fail "kovane-streams exited $?"
grep -q "objects:" "$work/streams.out" || fail "kovane-streams did not list the objects"
lines=$(grep -c '^ *SE ' "$work/streams.out")
[ "$lines" -ge 2 ] || fail "kovane-streams printed $lines lines of records, not 2"
# Every kind in every second: no count of 0 on any line.
if grep '^ *SE ' "$work/streams.out" | grep -qE '[A-Z]+ +0( |$)'; then
    fail "a kind received no records in a second"
fi
echo "examples: kovane-timestamp printed 5 rising timestamps; kovane-streams saw every kind each second"
