#!/usr/bin/env bash
# Measures, on a virtual X display: the time from starting tarnel-remote to its first painted
# main window and its resident memory (VmRSS) at that moment, each against a bare QMainWindow
# with a tool bar and a status bar (bench/StartupBareWindow.cpp) started in turn with it on
# the same display (medians of RUNS warm runs of each, after one unmeasured run of each); and
# tarnel-remote's resident memory after it connected to strobe-sim and scanned 10 units.
# Environment: TARNEL_BUILD_DIR (default build/release), RUNS (default 9), JOBS, and
# TARNEL_PROGRAM to time another build's tarnel-remote against the same bare window.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

if [ -z "${TARNEL_MEASURE_INNER:-}" ]; then
  build_dir=${TARNEL_BUILD_DIR:-build/release}
  cmake --preset release -B "$build_dir" >/dev/null
  cmake --build "$build_dir" -j "${JOBS:-$(nproc)}" --target tarnel-remote strobe-sim \
    startup-bare-window >/dev/null
  export TARNEL_BUILD_DIR="$build_dir" TARNEL_MEASURE_INNER=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

program=${TARNEL_PROGRAM:-$root/$TARNEL_BUILD_DIR/shell/tarnel-remote}
bare="$root/$TARNEL_BUILD_DIR/bench/startup-bare-window"
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

# Start-up: each prints the wall clock of its first paint and its resident memory then, and
# quits. The two take turns, so a change in the machine's load touches both alike.
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
declare -A ms rss
for i in $(seq 0 "$runs"); do
  for who in bare program; do
    if [ "$who" = bare ]; then cmd=("$bare"); else cmd=(env TARNEL_STARTUP_TIMING=exit "$program"); fi
    start=$(date +%s%N)
    out=$("${cmd[@]}" 2>/dev/null)
    [ "$i" -eq 0 ] && continue  # warms the file cache and the font cache
    painted=$(awk '/^first-paint-ns/ {print $2}' <<<"$out")
    ms[$who]+="$(( (painted - start) / 1000000 )) "
    rss[$who]+="$(awk '/^first-paint-rss-kb/ {print $2}' <<<"$out") "
  done
done
for who in bare program; do
  echo "$who: first paint median $(tr ' ' '\n' <<<"${ms[$who]}" | grep . | median) ms (all: ${ms[$who]}), resident memory median $(tr ' ' '\n' <<<"${rss[$who]}" | grep . | median) kB"
done
p_ms=$(tr ' ' '\n' <<<"${ms[program]}" | grep . | median)
b_ms=$(tr ' ' '\n' <<<"${ms[bare]}" | grep . | median)
p_rss=$(tr ' ' '\n' <<<"${rss[program]}" | grep . | median)
b_rss=$(tr ' ' '\n' <<<"${rss[bare]}" | grep . | median)
awk -v pm="$p_ms" -v bm="$b_ms" -v pr="$p_rss" -v br="$b_rss" \
  'BEGIN {printf "tarnel-remote against the bare window: first paint %.2fx, resident memory %s\n", pm / bm, (pr > 0 && br > 0) ? sprintf("%.2fx", pr / br) : "not reported"}'

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
