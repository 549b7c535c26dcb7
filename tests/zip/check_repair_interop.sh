#!/usr/bin/env bash
# Repairs cut and damaged archives with kelvora-cli and reads the results back with Info-ZIP:
# unzip -t must find each repaired archive whole, and unzip -Z1 must list exactly the members
# that were still whole (worked out by Python at fixture time).
#
#   check_repair_interop.sh FIXTURES OUTDIR KELVORA_CLI_EXE
set -uo pipefail
export LC_ALL=C
FIX=${1:?fixtures}; OUT=${2:?output folder}; CLI=${3:?kelvora-cli.exe}
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
command -v unzip >/dev/null || { echo "check_repair_interop: unzip is missing"; exit 77; }
rm -rf "$OUT"; mkdir -p "$OUT"
winpath() { printf 'Z:%s' "$1" | tr '/' '\\'; }
fail=0
for name in truncated_half damaged_middle; do
  bash "$ROOT/scripts/wine-run.sh" "$CLI" repair "$(winpath "$FIX/$name.zip")" "$(winpath "$OUT/$name.zip")" \
    >"$OUT/$name.log" 2>&1
  code=$?
  cat "$OUT/$name.log"
  [ "$code" = 1 ] && echo "PASS: $name: the lost member is reported (exit 1)" ||
    { echo "FAIL: $name: exit code $code, wanted 1"; fail=1; }
  if unzip -tq "$OUT/$name.zip" >"$OUT/$name.unzip-t.txt" 2>&1; then echo "PASS: unzip -t $name.zip"
  else cat "$OUT/$name.unzip-t.txt"; echo "FAIL: unzip -t $name.zip"; fail=1; fi
  if diff <(unzip -Z1 "$OUT/$name.zip") "$FIX/$name.whole.txt"; then echo "PASS: $name.zip holds the whole members"
  else echo "FAIL: $name.zip does not hold exactly the whole members"; fail=1; fi
done
exit "$fail"
