#!/usr/bin/env bash
# Runs one Windows test program under Wine for ctest and watches its end.
#
#   run-test.sh PROGRAM.exe [ARGS...]
#
# The program's output goes to a file that is printed when the program ends, so that nothing the
# program starts (Wine's services, a stray child) can hold ctest's output pipe open after the
# test. Once the program has printed GoogleTest's closing line ("[==========] ... ran."), it must
# end within KELVORA_EXIT_GRACE seconds (30 by default); otherwise it is killed, reported by name
# on stderr and in KELVORA_HANG_LOG (when set), and the test fails: a process that finished its
# work and hangs at exit is a fault of its own, not a flake for ctest's retry to hide.
set -u
HERE=$(cd "$(dirname "$0")/../.." && pwd)
GRACE=${KELVORA_EXIT_GRACE:-30}
out=$(mktemp "${TMPDIR:-/tmp}/kv-test.XXXXXX")
flag="$out.hang"
trap 'rm -f "$out" "$flag"' EXIT
bash "$HERE/scripts/wine-run.sh" "$@" >"$out" 2>&1 </dev/null &
pid=$!
(
  while kill -0 "$pid" 2>/dev/null; do
    if grep -q '^\[==========\] .* ran\.' "$out" 2>/dev/null; then
      for _ in $(seq 1 "$GRACE"); do sleep 1; kill -0 "$pid" 2>/dev/null || exit 0; done
      : >"$flag"
      kill -TERM "$pid" 2>/dev/null; sleep 2; kill -KILL "$pid" 2>/dev/null
      exit 0
    fi
    sleep 1
  done
) </dev/null >/dev/null 2>&1 &
watcher=$!
wait "$pid"
rc=$?
kill "$watcher" 2>/dev/null
wait "$watcher" 2>/dev/null
cat "$out"
if [ -e "$flag" ]; then
  name="$(basename "$1")"
  for a in "${@:2}"; do case "$a" in --gtest_filter=*) name="$name ${a#--gtest_filter=}";; esac; done
  echo "HANG: $name finished its tests but its process did not end within ${GRACE} s; killed" >&2
  [ -n "${KELVORA_HANG_LOG:-}" ] && echo "$name" >>"$KELVORA_HANG_LOG"
  exit 1
fi
exit "$rc"
