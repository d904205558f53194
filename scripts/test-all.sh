#!/usr/bin/env bash
# The whole check, as CI runs it: installs what is missing, builds and runs every test in the
# default preset, then again under AddressSanitizer + UBSan, the threaded tests under
# ThreadSanitizer, and a short run of each fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

scripts/install-deps.sh
scripts/check-format.sh
scripts/check-includes.sh

jobs=$(nproc)
step() { printf '\n=== %s\n' "$*"; }

step "default: build and test"
cmake --preset default >/dev/null
cmake --build --preset default -j "$jobs"
ctest --preset default -j "$jobs"

step "asan: build and test"
cmake --preset asan >/dev/null
cmake --build --preset asan -j "$jobs"
ctest --preset asan -j "$jobs"

step "tsan: build and test the threaded code"
cmake --preset tsan >/dev/null
# Only the executables whose tests carry the "threads" label, which is all the preset runs.
cmake --build --preset tsan -j "$jobs" --target test_link test_sim test_e2e
ctest --preset tsan -j "$jobs"

if [ -n "$(ls fuzz/fuzz_*.cpp 2>/dev/null)" ]; then
  step "fuzz: short runs from the seed corpus"
  cmake --preset fuzz >/dev/null
  cmake --build --preset fuzz -j "$jobs"
  "$root/scripts/fuzz.sh" --runs 20000
fi

step "all checks passed"
