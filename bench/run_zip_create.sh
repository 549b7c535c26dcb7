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

now() { date +%s.%N; }
# seconds TOOL ARGS...: runs the command, prints its wall time.
seconds() { local t0 t1; t0=$(now); "$@" >/dev/null 2>"$OUT/last.err" || { cat "$OUT/last.err" >&2; return 1; }; t1=$(now); echo "$t1 - $t0" | bc -l; }
cli() { wine "$KELVORA_CLI" "$@"; }

echo "corpus: $FILES files, $((BYTES / 1048576)) MiB; $(nproc) cores; $(date -u '+%Y-%m-%d %H:%M UTC')"
t_kv=$(seconds cli a "$OUT/kelvora.zip" -l 6 corpus)
t_zip=$(seconds zip -q -r -6 "$OUT/infozip.zip" corpus)
t_7z=$(seconds "$SEVENZ" a -bso0 -bsp0 -tzip -mx=5 "$OUT/7z.zip" corpus)
unzip -tq "$OUT/kelvora.zip" >/dev/null || { echo "run_zip_create: the Kelvora archive does not test" >&2; exit 1; }
mb() { echo "scale=1; $BYTES / 1048576 / $1" | bc -l; }
size() { echo $(( $(stat -c %s "$1") / 1048576 )); }
printf '%-34s %8s %10s %10s\n' "create at level 6" "seconds" "MiB/s" "size MiB"
printf '%-34s %8.2f %10s %10s\n' "kelvora-cli a -l 6 (Wine)" "$t_kv" "$(mb "$t_kv")" "$(size "$OUT/kelvora.zip")"
printf '%-34s %8.2f %10s %10s\n' "zip -6" "$t_zip" "$(mb "$t_zip")" "$(size "$OUT/infozip.zip")"
printf '%-34s %8.2f %10s %10s\n' "7z a -tzip -mx=5 ($(nproc) threads)" "$t_7z" "$(mb "$t_7z")" "$(size "$OUT/7z.zip")"
printf 'throughput Kelvora / zip -6: %.2f (target >= 0.90); Kelvora / 7z: %.2f\n' \
  "$(echo "$t_zip / $t_kv" | bc -l)" "$(echo "$t_7z / $t_kv" | bc -l)"

# Adding 1 000 small files to the 1 GiB archive: each tool to a copy of the same archive.
cp "$OUT/infozip.zip" "$OUT/add_kelvora.zip"
cp "$OUT/infozip.zip" "$OUT/add_zip.zip"
sync
t_kv_add=$(seconds cli a "$OUT/add_kelvora.zip" -l 6 small1000)
t_zip_add=$(seconds zip -q -r -6 "$OUT/add_zip.zip" small1000)
unzip -tq "$OUT/add_kelvora.zip" >/dev/null || { echo "run_zip_create: the appended archive does not test" >&2; exit 1; }
printf '%-34s %8s\n' "add 1000 files to the 1 GiB archive" "seconds"
printf '%-34s %8.2f\n' "kelvora-cli a (Wine)" "$t_kv_add"
printf '%-34s %8.2f\n' "zip -r (adding)" "$t_zip_add"
printf 'time Kelvora / zip: %.2f\n' "$(echo "$t_kv_add / $t_zip_add" | bc -l)"
rm -rf "$OUT"
