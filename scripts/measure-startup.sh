#!/usr/bin/env bash
# Measures, on a virtual X display: the time from starting tarnel-remote to its first painted
# main window (median of RUNS warm runs, after one unmeasured run), and its resident memory
# (VmRSS) after it connected to strobe-sim and scanned a studio of 10 units.
# Environment: TARNEL_BUILD_DIR (default build/release), RUNS (default 9), JOBS.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

if [ -z "${TARNEL_MEASURE_INNER:-}" ]; then
  build_dir=${TARNEL_BUILD_DIR:-build/release}
  cmake --preset release -B "$build_dir" >/dev/null
  cmake --build "$build_dir" -j "${JOBS:-$(nproc)}" --target tarnel-remote strobe-sim >/dev/null
  export TARNEL_BUILD_DIR="$build_dir" TARNEL_MEASURE_INNER=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

program="$root/$TARNEL_BUILD_DIR/shell/tarnel-remote"
sim="$root/$TARNEL_BUILD_DIR/sim/strobe-sim"
runs=${RUNS:-9}
work=$(mktemp -d)
sim_pid=""
cleanup() {
  [ -n "$sim_pid" ] && { kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true; }
  rm -rf "$work"
}
trap cleanup EXIT
cd "$work"

# Start-up: the program prints the wall clock of its first paint and quits.
samples=()
for i in $(seq 0 "$runs"); do
  start=$(date +%s%N)
  painted=$(env TARNEL_STARTUP_TIMING=exit "$program" 2>/dev/null | awk '/^first-paint-ns/ {print $2}')
  [ "$i" -eq 0 ] && continue  # warms the file cache and the font cache
  samples+=($(( (painted - start) / 1000000 )))
done
sorted=$(printf '%s\n' "${samples[@]}" | sort -n)
median=$(printf '%s\n' "$sorted" | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}')
echo "start to first paint: median ${median} ms over ${runs} runs (all: $(echo "$sorted" | tr '\n' ' '))"

# Memory: connect to a simulator with ten units in Studio A and scan it.
"$sim" --units "A:0-9" --link "$work/sim.port" --seed 2 </dev/null >/dev/null 2>"$work/sim.log" &
sim_pid=$!
for _ in $(seq 100); do [ -L "$work/sim.port" ] && break; sleep 0.1; done
printf '<?xml version="1.0" encoding="utf-8"?>\n<Option>\n\t<ComSet>\n\t\t<sComPort>%s</sComPort>\n\t\t<nBaud>9600</nBaud>\n\t</ComSet>\n</Option>\n' \
  "$work/sim.port" >Option.xml
TARNEL_DEMO_AUTOCONNECT=1 "$program" 2>"$work/program.log" &
program_pid=$!
for _ in $(seq 300); do
  grep -q "scan done" "$work/program.log" 2>/dev/null && break
  sleep 0.1
done
sleep 0.5
units=$(sed -n 's/.*scan done, \([0-9]*\) units.*/\1/p' "$work/program.log")
rss=$(awk '/^VmRSS/ {print $2, $3}' "/proc/$program_pid/status")
kill "$program_pid" 2>/dev/null || true
wait "$program_pid" 2>/dev/null || true
echo "resident memory after a scan of ${units:-?} units: ${rss}"
