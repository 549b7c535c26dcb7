#!/usr/bin/env bash
# Archive-creation benchmark: Kelvora (kelvora-cli under Wine, the window's creation engine)
# against Info-ZIP zip and 7-Zip on the same data in the same run, with ratios.
#   - creating an archive from a mixed folder of about 1 GiB at level 6: throughput against
#     `zip -6` (target >= 0.9 x) and beside `7z a -tzip -mx=5`
#   - adding 1 000 small files to that 1 GiB archive, against `zip` adding them
# The corpus lives outside the repository ($KELVORA_BENCH_DIR, default /tmp/kelvora-bench-create)
# and is made once (bench/zip_create_corpus.py). Never run by ctest.
set -euo pipefail
HERE=$(cd "$(dirname "$0")/.." && pwd)
BUILD="${KELVORA_BUILD:-$HERE/build-bench}"
WORK="${KELVORA_BENCH_DIR:-/tmp/kelvora-bench-create}"
SEVENZ=$(command -v 7zz || command -v 7z || command -v 7za || true)
for tool in zip unzip python3; do command -v $tool >/dev/null || { echo "run_zip_create: $tool is missing" >&2; exit 1; }; done
[ -n "$SEVENZ" ] || { echo "run_zip_create: 7-Zip is missing" >&2; exit 1; }

if [ -z "${KELVORA_CLI:-}" ]; then
  DEPS=$(bash "$HERE/scripts/build-deps.sh")
  cmake -S "$HERE" -B "$BUILD" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$HERE/cmake/mingw-w64-x86_64.cmake" \
    -DKELVORA_DEPS="$DEPS" >/dev/null
  cmake --build "$BUILD" --target kelvora-cli -j2 >/dev/null
  KELVORA_CLI="$BUILD/bin/kelvora-cli.exe"
fi
export WINEPREFIX="${WINEPREFIX:-$(dirname "$(dirname "$KELVORA_CLI")")/wineprefix}" WINEDEBUG=-all
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree=d;mshtml=d}"
[ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1 || true
wineserver -p >/dev/null 2>&1 </dev/null || true
wine cmd.exe /c exit >/dev/null 2>&1 </dev/null || true

mkdir -p "$WORK"
if [ ! -f "$WORK/.corpus-done" ]; then
  echo "making the corpus in $WORK (once)" >&2
  rm -rf "$WORK/corpus" "$WORK/small1000"
  python3 "$HERE/bench/zip_create_corpus.py" "$WORK"
  touch "$WORK/.corpus-done"
fi
OUT="$WORK/out"; rm -rf "$OUT"; mkdir -p "$OUT"
cd "$WORK"
BYTES=$(du -sb corpus | cut -f1)
FILES=$(find corpus -type f | wc -l)
cat corpus/large/* > /dev/null   # into the page cache, for every tool alike
find corpus/small -type f -exec cat {} + > /dev/null

# measure NAME COMMAND...: runs the command; sets WALL_<NAME> and CPU_<NAME> (user + system of the
# process and its children; Wine's server runs apart and is not counted).
measure() {
  local name=$1; shift
  local TIMEFORMAT='%R %U %S' r u s
  { time "$@" >/dev/null 2>"$OUT/last.err"; } 2>"$OUT/time" || { cat "$OUT/last.err" >&2; exit 1; }
  read -r r u s < <(tail -1 "$OUT/time")
  printf -v "WALL_$name" '%s' "$r"
  printf -v "CPU_$name" '%s' "$(echo "$u + $s" | bc -l)"
}
cli() { wine "$KELVORA_CLI" "$@"; }
calc() { echo "scale=3; $*" | bc -l; }
mibs() { calc "$BYTES / 1048576 / $1"; }
size() { echo $(( $(stat -c %s "$1") / 1048576 )); }

echo "corpus: $FILES files, $((BYTES / 1048576)) MiB; $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg); $(date -u '+%Y-%m-%d %H:%M UTC')"
measure KV cli a "$OUT/kelvora.zip" -l 6 corpus
measure ZIP zip -q -r -6 "$OUT/infozip.zip" corpus
measure SZ "$SEVENZ" a -bso0 -bsp0 -tzip -mx=5 "$OUT/7z.zip" corpus
unzip -tq "$OUT/kelvora.zip" >/dev/null || { echo "run_zip_create: the Kelvora archive does not test" >&2; exit 1; }
printf '%-36s %8s %8s %10s %9s
' "create at level 6" "wall s" "cpu s" "MiB/s" "size MiB"
row() { printf '%-36s %8.2f %8.2f %10.1f %9s
' "$1" "$2" "$3" "$(mibs "$2")" "$(size "$4")"; }
row "kelvora-cli a -l 6 (Wine)" "$WALL_KV" "$CPU_KV" "$OUT/kelvora.zip"
row "zip -6" "$WALL_ZIP" "$CPU_ZIP" "$OUT/infozip.zip"
row "7z a -tzip -mx=5 ($(nproc) threads)" "$WALL_SZ" "$CPU_SZ" "$OUT/7z.zip"
printf 'throughput Kelvora / zip -6: %.2f by wall time, %.2f by CPU time (target >= 0.90)
' \
  "$(calc "$WALL_ZIP / $WALL_KV")" "$(calc "$CPU_ZIP / $CPU_KV")"
printf 'throughput Kelvora / 7z -mx=5: %.2f by wall time
' "$(calc "$WALL_SZ / $WALL_KV")"

# Adding 1 000 small files to the 1 GiB archive: each tool to a copy of the same archive.
cp "$OUT/infozip.zip" "$OUT/add_kelvora.zip"
cp "$OUT/infozip.zip" "$OUT/add_zip.zip"
sync
measure KVADD cli a "$OUT/add_kelvora.zip" -l 6 small1000
measure ZIPADD zip -q -r -6 "$OUT/add_zip.zip" small1000
unzip -tq "$OUT/add_kelvora.zip" >/dev/null || { echo "run_zip_create: the appended archive does not test" >&2; exit 1; }
printf '%-36s %8s %8s
' "add 1000 files to the 1 GiB archive" "wall s" "cpu s"
printf '%-36s %8.2f %8.2f
' "kelvora-cli a (Wine)" "$WALL_KVADD" "$CPU_KVADD"
printf '%-36s %8.2f %8.2f
' "zip -r (adding)" "$WALL_ZIPADD" "$CPU_ZIPADD"
printf 'time Kelvora / zip: %.2f
' "$(calc "$WALL_KVADD / $WALL_ZIPADD")"
rm -rf "$OUT"
