#!/usr/bin/env bash
# Proof that the ring's stress test can fail: builds a throw-away ThreadSanitizer build whose
# ring indices use relaxed order (TARNEL_RING_RELAXED_FOR_MUTATION_TEST), runs the two-thread
# stress test there, and succeeds only if ThreadSanitizer reports the data race that follows.
#   scripts/mutation-ring.sh [--build DIR]   (default build/mutation-ring; JOBS, default 2)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

build=build/mutation-ring
while [ $# -gt 0 ]; do
  case "$1" in
    --build) build=$2; shift 2 ;;
    *) echo "usage: $0 [--build DIR]" >&2; exit 2 ;;
  esac
done

flags="-fsanitize=thread -fno-omit-frame-pointer -DTARNEL_RING_RELAXED_FOR_MUTATION_TEST"
cmake --preset tsan -B "$build" -DCMAKE_CXX_FLAGS="$flags" >/dev/null
cmake --build "$build" -j "${JOBS:-2}" --target test_link >/dev/null

log=$(mktemp)
trap 'rm -f "$log"' EXIT
set +e
TSAN_OPTIONS="suppressions=$root/tests/tsan.supp halt_on_error=1" \
  "$build/tests/test_link" --gtest_filter='RingTest.Stress*' >"$log" 2>&1
status=$?
set -e

if grep -q 'WARNING: ThreadSanitizer: data race' "$log"; then
  echo "mutant killed: ThreadSanitizer reported the race in the relaxed ring (exit $status)"
  grep -m1 -A12 'WARNING: ThreadSanitizer: data race' "$log" | grep -E '^\s+#[0-9]' | head -4
  exit 0
fi
echo "mutant SURVIVED: relaxed ring indices went unnoticed (exit $status)" >&2
tail -n 20 "$log" >&2
exit 1
