#!/usr/bin/env bash
# Changes archives through the window (test_app's deletion, renaming and moving tests copy the
# changed archives out) and reads the results back with Info-ZIP: unzip -l must list exactly
# the members that are left, under their new names, and unzip -t must find each archive whole.
#
#   check_delete_unzip.sh OUTDIR TEST_APP_EXE
set -uo pipefail
export LC_ALL=C
OUT=${1:?output folder}
TESTEXE=${2:?test_app.exe}
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
command -v unzip >/dev/null || { echo "check_delete_unzip: unzip is missing"; exit 77; }
rm -rf "$OUT"; mkdir -p "$OUT"
winpath() { printf 'Z:%s' "$1" | tr '/' '\\'; }
if ! KV_APP_OUT=$(winpath "$OUT") bash "$ROOT/scripts/wine-run.sh" "$TESTEXE" \
     --gtest_filter='DeleteViewsTest.FoldersEmptiedByDeletionsLeaveTreeAndCombo:DeleteViewsTest.RenamingAndMovingThroughTheViewsChangeTheArchiveOnDisk' >"$OUT/test.log" 2>&1; then
  cat "$OUT/test.log"; echo "FAIL: the changes failed on the Windows side"; exit 1
fi
fail=0
check() {  # ARCHIVE EXPECTED-NAMES (sorted, one blank after each)
  local zip="$OUT/$1"
  [ -f "$zip" ] || { echo "FAIL: $1 was not copied out"; fail=1; return; }
  unzip -l "$zip" | tee "$OUT/$1.unzip-l.txt"
  # unzip -l: the member lines lie between the two dashed lines; the name is the fourth field.
  local names
  names=$(awk '/^---------/ {n++; next} n == 1 {print $4}' "$OUT/$1.unzip-l.txt" | sort | tr '\n' ' ')
  if [ "$names" = "$2" ]; then echo "PASS: unzip -l $1"; else echo "FAIL: unzip -l $1 lists: $names"; fail=1; fi
  if unzip -tq "$zip" >"$OUT/$1.unzip-t.txt" 2>&1; then echo "PASS: unzip -t $1"; else cat "$OUT/$1.unzip-t.txt"; echo "FAIL: unzip -t $1"; fail=1; fi
}
check deleted.zip "a/ a/b/ a/b/c/ d/ top.txt "
check moved.zip "a/ a/one.txt d/ d/b/ d/b/c/ d/b/c/three.txt d/b/five.txt d/b/two.txt d/four.txt renamed.txt "
exit "$fail"
