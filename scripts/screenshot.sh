#!/usr/bin/env bash
# Writes docs/screenshot.png: the program connected to strobe-sim after a scan of Studio A,
# on a virtual X display. Needs xvfb (scripts/install-deps.sh installs it) and a built
# program and simulator.
# With SCALE=2 the screen is scaled twice (QT_SCALE_FACTOR) and the picture, twice as many
# pixels, goes to docs/screenshot-2x.png.
# Environment: TARNEL_BUILD_DIR (default build/release), JOBS (default: all cores), SCALE.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

build_dir=${TARNEL_BUILD_DIR:-build/release}
scale=${SCALE:-1}
shot=docs/screenshot.png
[ "$scale" != 1 ] && shot=docs/screenshot-${scale}x.png
cmake --preset release -B "$build_dir" >/dev/null
cmake --build "$build_dir" -j "${JOBS:-$(nproc)}" --target tarnel-remote strobe-sim

work=$(mktemp -d)
port_link="$work/strobe-sim.port"
"$root/$build_dir/sim/strobe-sim" --link "$port_link" --seed 5 </dev/null >/dev/null 2>"$work/sim.log" &
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
(cd "$work" && TARNEL_SCREENSHOT="$root/$shot" QT_SCALE_FACTOR="$scale" \
  xvfb-run -a -s "-screen 0 2560x1600x24" "$root/$build_dir/shell/tarnel-remote")
echo "screenshot: $shot"
