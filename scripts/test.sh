#!/usr/bin/env bash
# Sets up, builds and runs every test through Wine under a private Xvfb display.
# Extra arguments go to ctest (for example: scripts/test.sh -R RBTree).
# At the end it prints the suite's wall time, the ten slowest tests, every test that passed only
# on its retry, and every test program that finished but did not end (which fails the run).
set -euo pipefail
HERE=$(cd "$(dirname "$0")/.." && pwd)
BUILD="${KELVORA_BUILD:-$HERE/build}"
started=$SECONDS
bash "$HERE/scripts/setup.sh"
built=$SECONDS
. "$HERE/scripts/winenv.sh"
kv_env_start "$BUILD"
trap kv_env_stop EXIT
cd "$BUILD"
export KELVORA_HANG_LOG="$BUILD/hangs.log"
rm -f "$KELVORA_HANG_LOG"
LOG="$BUILD/ctest.log"
# A test that fails is run once more before it counts as failed: window and file-change tests
# under Wine can lose a race against a loaded machine. Both attempts are shown.
rc=0
ctest --output-on-failure -j"$(nproc)" --timeout 600 --repeat until-pass:2 "$@" 2>&1 | tee "$LOG" || rc=$?
echo
echo "== wall time: setup and build $((built - started)) s, tests $((SECONDS - built)) s, all $((SECONDS - started)) s"
echo "== the ten slowest tests"
grep -E '^ *[0-9]+/[0-9]+ Test +#[0-9]+: ' "$LOG" | sed -E 's/^ *[0-9]+\/[0-9]+ Test +#[0-9]+: ([^ ]+) .* ([0-9.]+) sec$/\2 \1/' |
  sort -rn | awk 'NR <= 10 {printf "%9.2f s  %s\n", $1, $2}' || true
# A test run twice shows its first attempt as a "Test #N" line without the count in front.
retried=$(grep -E '^ +Test +#[0-9]+: ' "$LOG" | sed -E 's/^ +Test +#[0-9]+: ([^ ]+) .*/\1/' | sort -u || true)
if [ -n "$retried" ]; then
  echo "== tests that failed once and were run again"
  echo "$retried" | sed 's/^/   /'
fi
if [ -s "$KELVORA_HANG_LOG" ]; then
  echo "== test programs that finished but did not end (each one fails the run)"
  sort -u "$KELVORA_HANG_LOG" | sed 's/^/   /'
  [ "$rc" = 0 ] && rc=1
fi
exit "$rc"
