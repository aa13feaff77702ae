#!/usr/bin/env bash
# The installed package as an application uses it: install the build into a
# fresh prefix, configure and build tests/package/consumer against that prefix
# alone in a cmake run of its own, and run the program against quorvex-sim.
#
#   package-consumer-test.sh BUILD-DIR CONSUMER-SOURCE QUORVEX-SIM [TOOLCHAIN-FILE RUNNER]
#
# With a toolchain file the consumer is cross-built with it and run, like
# quorvex-sim, through RUNNER (cmake/wine-run).
set -uo pipefail

build_dir=$1
consumer_source=$2
sim=$3
toolchain=${4:-}
runner=${5:-}

work=$(mktemp -d)
sim_pid=""
cleanup() {
    if [ -n "$sim_pid" ]; then
        kill "$sim_pid" 2>/dev/null
        wait "$sim_pid" 2>/dev/null
    fi
    rm -rf "$work"
}
trap cleanup EXIT

fail() { echo "FAILED: $*"; exit 1; }

cmake --install "$build_dir" --prefix "$work/prefix" >"$work/install.log" 2>&1 \
    || { cat "$work/install.log"; fail "cmake --install"; }
for f in include/kovane/KovaneClient.h lib/cmake/Kovane/KovaneConfig.cmake \
         lib/cmake/Kovane/KovaneConfigVersion.cmake; do
    [ -f "$work/prefix/$f" ] || fail "the package has no $f"
done
# Only the public headers are installed, and none of them reaches past the package.
leaks=$(grep -h '#include "' "$work/prefix/include/kovane/"*.h)
[ -z "$leaks" ] || fail "an installed header includes a header of the tree: $leaks"

# A sanitizer build's libraries need the program built with the same flags.
configure=(cmake -S "$consumer_source" -B "$work/build" -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=Release
           "-DCMAKE_CXX_FLAGS=${ORB_CONSUMER_CXX_FLAGS:-}" "-DCMAKE_EXE_LINKER_FLAGS=${ORB_CONSUMER_LINKER_FLAGS:-}")
if [ -n "$toolchain" ]; then
    # The toolchain searches packages under its own root only; the prefix is
    # named directly, as a cross-building user does.
    configure+=(-DCMAKE_TOOLCHAIN_FILE="$toolchain" -DKovane_DIR="$work/prefix/lib/cmake/Kovane")
else
    configure+=(-DCMAKE_PREFIX_PATH="$work/prefix")
fi
"${configure[@]}" >"$work/configure.log" 2>&1 || { cat "$work/configure.log"; fail "configuring the consumer"; }
cmake --build "$work/build" -j 2 >"$work/build.log" 2>&1 || { cat "$work/build.log"; fail "building the consumer"; }
consumer=$(ls "$work/build"/kovane-consumer "$work/build"/kovane-consumer.exe 2>/dev/null | head -n 1)
[ -n "$consumer" ] || fail "no consumer program was built"

# quorvex-sim on free ports; its first line names them, read while it runs.
ORB_WINE_DIRECT=1 ${runner:+"$runner"} "$sim" --query-port 0 --command-port 0 --lifetime 120 >"$work/sim.out" 2>&1 &
sim_pid=$!
for _ in $(seq 1 300); do
    grep -q '^quorvex-sim query-port' "$work/sim.out" 2>/dev/null && break
    sleep 0.1
done
read -r _ _ query_port _ command_port < <(grep '^quorvex-sim query-port' "$work/sim.out" | tr -d '\r')
[ -n "${command_port:-}" ] || { cat "$work/sim.out"; fail "quorvex-sim did not start"; }

${runner:+"$runner"} "$consumer" localhost "$query_port" "$command_port" | tr -d '\r' | tee "$work/consumer.out"
status=${PIPESTATUS[0]}
[ "$status" -eq 0 ] || fail "the consumer exited with $status"
grep -q '^consumer passed$' "$work/consumer.out" || fail "the consumer did not pass"
echo "package consumer passed"
