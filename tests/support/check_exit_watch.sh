#!/usr/bin/env bash
# The runner's exit watch: a program that ends at once passes, one that lingers after its closing
# line beyond the grace time is killed, named and failed, and a failing program's code comes through.
#
#   check_exit_watch.sh EXITPROBE.exe
set -uo pipefail
PROBE=${1:?exitprobe.exe}
RUN="$(cd "$(dirname "$0")" && pwd)/run-test.sh"
log=$(mktemp); hangs=$(mktemp); trap 'rm -f "$log" "$hangs"' EXIT
fail=0
if KELVORA_EXIT_GRACE=2 KELVORA_HANG_LOG="$hangs" bash "$RUN" "$PROBE" 0 >"$log" 2>&1; then
  grep -q 'PASSED' "$log" && echo "PASS: a program that ends at once passes, its output shown" ||
    { echo "FAIL: the output of the program was lost"; cat "$log"; fail=1; }
else
  echo "FAIL: a program that ends at once was failed"; cat "$log"; fail=1
fi
start=$SECONDS
if KELVORA_EXIT_GRACE=2 KELVORA_HANG_LOG="$hangs" bash "$RUN" "$PROBE" 120000 --gtest_filter=Probe.Lingers >"$log" 2>&1; then
  echo "FAIL: a program that lingers after its tests passed"; fail=1
elif ! grep -q 'HANG: exitprobe.exe Probe.Lingers' "$log"; then
  echo "FAIL: the lingering program was not named"; cat "$log"; fail=1
elif [ $((SECONDS - start)) -ge 60 ]; then
  echo "FAIL: the lingering program was not killed (ran $((SECONDS - start)) s)"; fail=1
elif ! grep -qx 'exitprobe.exe Probe.Lingers' "$hangs"; then
  echo "FAIL: the hang log does not name it"; cat "$hangs"; fail=1
else
  echo "PASS: a lingering program is killed, named and failed"
fi
KELVORA_EXIT_GRACE=2 bash "$RUN" "$PROBE" 0 3 >"$log" 2>&1
code=$?
[ "$code" = 3 ] && echo "PASS: a program's own exit code comes through" ||
  { echo "FAIL: exit code $code instead of 3"; fail=1; }
exit "$fail"
