#!/usr/bin/env bash
# Runs Tarnel Remote Control against a simulated studio, on a fresh Debian 12 machine:
# installs what is missing, builds the program and the simulator (release preset), starts
# strobe-sim in the background and the program in the demo folder (demo/, git-ignored),
# whose Option.xml names the simulator's port. Press "Com" then "Ok" to connect, select
# Studio A and press "Scan". The simulator stops when the program exits.
#
# Usage: scripts/run-demo.sh [--xvfb] [--units SPEC] [--auto]
#   --xvfb        run under a virtual X display (xvfb-run), e.g. on a machine without one
#   --units SPEC  the simulated units, as strobe-sim takes them (default: its own studio)
#   --auto        connect and scan Studio A by itself after start (TARNEL_DEMO_AUTOCONNECT)
# Environment: TARNEL_BUILD_DIR (default build/release), JOBS (default: all cores).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

use_xvfb=0
auto=0
sim_args=()
while [ $# -gt 0 ]; do
  case "$1" in
    --xvfb) use_xvfb=1 ;;
    --auto) auto=1 ;;
    --units) sim_args+=(--units "${2:?--units needs a value}"); shift ;;
    -h|--help) sed -n '2,13p' "$0"; exit 0 ;;
    *) echo "run-demo: unknown option $1 (see --help)" >&2; exit 2 ;;
  esac
  shift
done

if [ "$use_xvfb" -eq 0 ] && [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run-demo: no display (DISPLAY and WAYLAND_DISPLAY are empty)." >&2
  echo "run-demo: run it from a desktop session, or pass --xvfb to use a virtual display." >&2
  exit 2
fi

scripts/install-deps.sh

build_dir=${TARNEL_BUILD_DIR:-build/release}
cmake --preset release -B "$build_dir" >/dev/null
cmake --build "$build_dir" -j "${JOBS:-$(nproc)}" --target tarnel-remote strobe-sim

demo_dir="$root/demo"
mkdir -p "$demo_dir"
port_link="$demo_dir/strobe-sim.port"

"$root/$build_dir/sim/strobe-sim" --link "$port_link" "${sim_args[@]}" \
  </dev/null >"$demo_dir/strobe-sim.out" 2>"$demo_dir/strobe-sim.log" &
sim_pid=$!
# shellcheck disable=SC2317  # run by the trap
stop_sim() {
  kill "$sim_pid" 2>/dev/null || true
  wait "$sim_pid" 2>/dev/null || true
}
trap stop_sim EXIT

for _ in $(seq 100); do
  [ -L "$port_link" ] && break
  kill -0 "$sim_pid" 2>/dev/null || { cat "$demo_dir/strobe-sim.log" >&2; exit 1; }
  sleep 0.1
done
[ -L "$port_link" ] || { echo "run-demo: the simulator did not publish its port" >&2; exit 1; }
echo "run-demo: strobe-sim is running on $(head -n1 "$demo_dir/strobe-sim.out"), log in demo/strobe-sim.log"

# Only the demo folder's own Option.xml is written; the user's files are never touched.
cat >"$demo_dir/Option.xml" <<XML
<?xml version="1.0" encoding="utf-8"?>
<Option>
	<ComSet>
		<sComPort>$port_link</sComPort>
		<nBaud>9600</nBaud>
	</ComSet>
</Option>
XML

program=("$root/$build_dir/shell/tarnel-remote")
if [ "$use_xvfb" -eq 1 ]; then
  program=(xvfb-run -a -s "-screen 0 1280x1024x24" "${program[@]}")
fi
cd "$demo_dir"
if [ "$auto" -eq 1 ]; then
  export TARNEL_DEMO_AUTOCONNECT=1
fi
status=0
"${program[@]}" || status=$?
exit "$status"
