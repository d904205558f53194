#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build from its seed corpus (fuzz/corpus/<name>/ for
# fuzz_<name>) and fails when any target crashes. Inputs that the run discovers go to a scratch
# folder, so the committed corpus stays as it is; a crashing input is kept under
# <build>/fuzz-artifacts/.
#   scripts/fuzz.sh [--runs N] [--time SECONDS] [--build DIR]
set -euo pipefail
cd "$(dirname "$0")/.."

runs=20000
seconds=0
build=build/fuzz
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) runs=$2; shift 2 ;;
    --time) seconds=$2; shift 2 ;;
    --build) build=$2; shift 2 ;;
    *) echo "usage: $0 [--runs N] [--time SECONDS] [--build DIR]" >&2; exit 2 ;;
  esac
done

shopt -s nullglob
targets=()
for exe in "$build"/fuzz/fuzz_*; do
  [ -f "$exe" ] && [ -x "$exe" ] && targets+=("$exe")
done
if [ ${#targets[@]} -eq 0 ]; then
  echo "no fuzz targets in $build/fuzz (build the fuzz preset first)" >&2
  exit 1
fi

limit=(-runs="$runs")
[ "$seconds" -gt 0 ] && limit=(-max_total_time="$seconds")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
status=0
for exe in "${targets[@]}"; do
  name=$(basename "$exe")
  corpus=fuzz/corpus/${name#fuzz_}
  work=$scratch/$name
  mkdir -p "$work/new" "$work/artifacts"
  seeds=()
  [ -d "$corpus" ] && seeds=("$corpus")
  if "$exe" "${limit[@]}" -timeout=10 -print_final_stats=1 -artifact_prefix="$work/artifacts/" \
      "$work/new" "${seeds[@]}" >"$work/log" 2>&1; then
    stats=$(grep -E '^stat::(number_of_executed_units|peak_rss_mb):' "$work/log" | tr '\n' ' ')
    cover=$(grep -oE 'cov: [0-9]+ ft: [0-9]+' "$work/log" | tail -1)
    echo "ok      $name: $cover $stats"
  else
    echo "CRASHED $name"
    tail -n 40 "$work/log"
    mkdir -p "$build/fuzz-artifacts"
    cp -v "$work"/artifacts/* "$build/fuzz-artifacts/" 2>/dev/null || true
    status=1
  fi
done
exit $status
