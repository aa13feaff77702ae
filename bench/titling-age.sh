#!/usr/bin/env bash
# How old the timestamp on the titler's line is when its last byte goes out.
#
#   titling-age.sh [--seconds N] BIN_DIR -- TITLING_PROGRAM [ARG...]
#
# Starts quorvex-sim (its default clock: microseconds since the Unix epoch)
# on free ports and virtual-titler as a 9600-baud line with --times (the same
# clock, at the moment each command's last byte left), maps COM5 to it
# through a private XDG_CONFIG_HOME, and runs the titling program with
# "5 SECONDS QUERY_PORT COMMAND_PORT" appended to its arguments: it is to
# press Start on COM5 against those ports, title for SECONDS and stop. Then
# the same run measures the "-GetTimestamp" round trip alone, and every
# decoded timestamp is compared with the moment its last byte left.
#
# The goal: no timestamp older than the 20 ms wait, one round trip and its
# own command's time on the line (11 bits a byte at 9600 baud, 8N2): a
# command that waited behind another would be older.
# BIN_DIR holds quorvex-sim, virtual-titler and bench_get_timestamp_round_trip.
set -euo pipefail
seconds=60
if [ "${1:-}" = "--seconds" ]; then
  seconds=$2
  shift 2
fi
bin=$1
shift
[ "${1:-}" = "--" ] && shift

work=$(mktemp -d "${TMPDIR:-/tmp}/orb-titling-age.XXXXXX")
sim_pid=
titler_pid=
cleanup() {
  for pid in $sim_pid $titler_pid; do
    kill -TERM "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap cleanup EXIT

export XDG_CONFIG_HOME=$work/config
"$bin/virtual-titler" --baud 9600 --times --link "$XDG_CONFIG_HOME/orbilane/dosdevices/com5" \
  >"$work/titler.log" 2>"$work/titler.err" &
titler_pid=$!
"$bin/quorvex-sim" --query-port 0 --command-port 0 >"$work/sim.out" 2>&1 &
sim_pid=$!
for _ in $(seq 100); do
  grep -q '^virtual-titler: ' "$work/titler.log" && grep -q '^quorvex-sim ' "$work/sim.out" && break
  sleep 0.1
done
read -r _ _ query _ command <"$work/sim.out"
[ -n "${command:-}" ] || { echo "quorvex-sim did not start: $(cat "$work/sim.out")"; exit 1; }

"$@" 5 "$seconds" "$query" "$command"
sleep 0.2  # the last timestamp is decoded once the line is quiet
kill -TERM "$titler_pid"
wait "$titler_pid" || true
titler_pid=
round_trip=$("$bin/bench_get_timestamp_round_trip" "$query" "$command")

# "timestamp T at U ...": the age is U - T; the command is 8 bytes and T's
# digits. The excess is what the age has beyond the goal. In the order they
# went out, a command waited behind the one before when its first byte could
# not leave before the other's last had (a gap below 0).
read -r _ rt_min rt_median rt_p99 rt_max <<<"$round_trip"
awk -v rt="$rt_median" '$1 == "timestamp" && $3 == "at" {
    line = (8 + length($2)) * 11 * 1e6 / 9600
    gap = n++ ? $4 - line - last : 0
    print $4 - $2, $4 - $2 - 20000 - rt - line, gap, line
    last = $4
  }' "$work/titler.log" >"$work/samples"
[ -s "$work/samples" ] || { echo "no timestamps reached the titler"; exit 1; }

# min, median, 99th percentile and max of column $1, in milliseconds.
stats() {
  cut -d' ' -f"$1" "$work/samples" | sort -g | awk '{ v[NR] = $1 } END {
    printf "min %.3f  median %.3f  p99 %.3f  max %.3f", v[1] / 1000, v[int((NR - 1) * 0.5) + 1] / 1000,
      v[int((NR - 1) * 0.99) + 1] / 1000, v[NR] / 1000 }'
}
count=$(wc -l <"$work/samples")
over=$(awk '$2 > 0' "$work/samples" | wc -l)
queued=$(tail -n +2 "$work/samples" | awk '$3 < 0' | wc -l)
echo "timestamps on the line: $count"
echo "age at the last byte (ms): $(stats 1)"
awk -v a="$rt_min" -v b="$rt_median" -v c="$rt_p99" -v d="$rt_max" 'BEGIN {
  printf "round trip alone, same run (ms): min %.3f  median %.3f  p99 %.3f  max %.3f\n", a / 1000, b / 1000, c / 1000, d / 1000 }'
echo "line time of one command (ms): $(stats 4)"
echo "beyond 20 ms + round trip (median) + its line time (ms): $(stats 2); over the goal: $over of $count"
echo "line idle between two commands (ms): $(tail -n +2 "$work/samples" >"$work/gaps"; cut -d' ' -f3 "$work/gaps" | sort -g | head -1 | awk '{ printf "at least %.3f", $1 / 1000 }'); commands that waited behind another: $queued"
[ "$queued" -eq 0 ]
