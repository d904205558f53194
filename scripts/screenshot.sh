#!/usr/bin/env bash
# Writes docs/screenshot.png: the program connected to strobe-sim after a scan of Studio A,
# on a virtual X display. Needs xvfb (scripts/install-deps.sh installs it) and a built
# program and simulator.
# With SCALE=2 the screen is scaled twice (QT_SCALE_FACTOR) and the picture, twice as many
# pixels, goes to docs/screenshot-2x.png.
# With SCENE=rollcall, unit CH-05 is taken away at the simulator after the scan, then the
# program checks Studio A's units: the picture, with CH-05 not answering, goes to
# docs/rollcall.png. With SCENE=scandialog the picture is of the scan dialog halfway through
# its six seconds (docs/scan-dialog.png); with SCENE=help, of the help window (docs/help.png).
# Environment: TARNEL_BUILD_DIR (default build/release), JOBS (default: all cores), SCALE,
# SCENE.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

build_dir=${TARNEL_BUILD_DIR:-build/release}
scale=${SCALE:-1}
scene=${SCENE:-scan}
shot=docs/screenshot.png
[ "$scale" != 1 ] && shot=docs/screenshot-${scale}x.png
[ "$scene" = rollcall ] && shot=docs/rollcall.png
[ "$scene" = scandialog ] && shot=docs/scan-dialog.png
[ "$scene" = help ] && shot=docs/help.png
cmake --preset release -B "$build_dir" >/dev/null
cmake --build "$build_dir" -j "${JOBS:-$(nproc)}" --target tarnel-remote strobe-sim

work=$(mktemp -d)
port_link="$work/strobe-sim.port"
# The simulator's commands come through a pipe the script keeps open.
mkfifo "$work/sim.in"
exec 3<>"$work/sim.in"
"$root/$build_dir/sim/strobe-sim" --link "$port_link" --seed 5 <"$work/sim.in" >/dev/null 2>"$work/sim.log" &
sim_pid=$!
cleanup() {
  kill "$sim_pid" 2>/dev/null || true
  wait "$sim_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
for _ in $(seq 100); do
  [ -L "$port_link" ] && break
  sleep 0.1
done

cat >"$work/Option.xml" <<XML
<?xml version="1.0" encoding="utf-8"?>
<Option>
	<ComSet>
		<sComPort>$port_link</sComPort>
		<nBaud>9600</nBaud>
	</ComSet>
</Option>
XML

mkdir -p docs
extra_env=()
[ "$scene" = rollcall ] && extra_env=(TARNEL_DEMO_ROLLCALL=2000)
[ "$scene" = scandialog ] && extra_env=(TARNEL_SCREENSHOT_OF=scan)
[ "$scene" = help ] && extra_env=(TARNEL_SCREENSHOT_OF=help)
(cd "$work" && env TARNEL_SCREENSHOT="$root/$shot" QT_SCALE_FACTOR="$scale" "${extra_env[@]}" \
  xvfb-run -a -s "-screen 0 2560x1600x24" "$root/$build_dir/shell/tarnel-remote" \
  2>"$work/program.log") &
program=$!
if [ "$scene" = rollcall ]; then
  # Once the scan has found CH-05, it is switched off for good.
  for _ in $(seq 300); do
    grep -q "scan done" "$work/program.log" && break
    sleep 0.1
  done
  echo "remove A 4" >&3
fi
wait "$program"
grep "tarnel-remote:" "$work/program.log" || true
echo "screenshot: $shot"
