#!/usr/bin/env bash
# Deleting one member from a 1 GiB archive with 10 000 members: Kelvora's rewrite (raw copies,
# under Wine) against Info-ZIP's zip -d on the same archive, in the same run. Each run starts
# from a fresh copy with the page cache warm. Prints the times and the ratio.
#
#   bench/run_zip_modify.sh [BUILD_DIR] [RUNS]
set -euo pipefail
HERE=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-$HERE/build}
RUNS=${2:-3}
EXE="$BUILD/bin/bench_zip_modify.exe"
[ -f "$EXE" ] || { echo "build bench_zip_modify first (cmake --build $BUILD --target bench_zip_modify)" >&2; exit 2; }
command -v zip >/dev/null || { echo "zip is missing" >&2; exit 2; }
WORK="$BUILD/bench-zip-modify"
mkdir -p "$WORK"
MASTER="$WORK/master.zip"
if [ ! -f "$MASTER" ]; then
  echo "making the corpus: 10 000 members, about 1 GiB (once)" >&2
  python3 - "$MASTER" <<'PY'
import os, random, sys, zipfile
random.seed(5)
text = "".join("line %d of a text member that compresses well\n" % i for i in range(4000)).encode()
with zipfile.ZipFile(sys.argv[1], "w") as z:
    for i in range(10000):
        name = "dir%02d/sub%d/member%05d.%s" % (i % 50, i % 7, i, "txt" if i % 4 == 0 else "bin")
        if i % 4 == 0:
            z.writestr(zipfile.ZipInfo(name, (2022, 1, 2, 3, 4, 6)), text * random.randint(1, 4),
                       compress_type=zipfile.ZIP_DEFLATED)
        else:
            z.writestr(zipfile.ZipInfo(name, (2022, 1, 2, 3, 4, 6)), os.urandom(random.randint(60000, 225000)),
                       compress_type=zipfile.ZIP_STORED)
PY
fi
# A member in the middle of the archive.
MEMBER=$(python3 -c "import sys, zipfile; print(zipfile.ZipFile(sys.argv[1]).namelist()[5025])" "$MASTER")
SIZE=$(stat -c %s "$MASTER")
. "$HERE/scripts/winenv.sh"
kv_env_start "$BUILD"
trap 'kv_env_stop; rm -f "$WORK/run.zip" "$WORK/run.zip.tmp"' EXIT
winpath() { printf 'Z:%s' "$1" | tr '/' '\\'; }
ms() { echo $(( $(date +%s%N) / 1000000 )); }

# Kelvora puts the new archive on the disk (fsync) before it replaces the old one; zip -d does
# not. "zip -d + fsync" adds that step to zip's run for the comparison at equal safety.
fsync_file() { python3 -c "import os, sys; fd = os.open(sys.argv[1], os.O_RDONLY); os.fsync(fd)" "$1"; }
best_zip=""; best_zips=""; best_kv=""; best_kv_wall=""
for r in $(seq 1 "$RUNS"); do
  cp "$MASTER" "$WORK/run.zip"; cat "$WORK/run.zip" >/dev/null; sync
  t0=$(ms); zip -q -d "$WORK/run.zip" "$MEMBER"; t1=$(ms)
  z=$((t1 - t0))
  cp "$MASTER" "$WORK/run.zip"; cat "$WORK/run.zip" >/dev/null; sync
  t0=$(ms); zip -q -d "$WORK/run.zip" "$MEMBER"; fsync_file "$WORK/run.zip"; t1=$(ms)
  zs=$((t1 - t0))
  cp "$MASTER" "$WORK/run.zip"; cat "$WORK/run.zip" >/dev/null; sync
  t0=$(ms); line=$(wine "$EXE" "$(winpath "$WORK/run.zip")" "$MEMBER"); t1=$(ms)
  k=$(echo "$line" | awk '{print $2}'); w=$((t1 - t0))
  echo "run $r: zip -d ${z} ms, zip -d + fsync ${zs} ms, Kelvora ${k} ms in the engine (${w} ms with Wine's start) [$line]"
  [ -z "$best_zip" ] || [ "$z" -lt "$best_zip" ] && best_zip=$z
  [ -z "$best_zips" ] || [ "$zs" -lt "$best_zips" ] && best_zips=$zs
  [ -z "$best_kv" ] || [ "$k" -lt "$best_kv" ] && best_kv=$k
  [ -z "$best_kv_wall" ] || [ "$w" -lt "$best_kv_wall" ] && best_kv_wall=$w
done
echo "archive: $((SIZE / 1048576)) MiB, 10000 members; best of $RUNS runs"
awk -v z="$best_zip" -v zs="$best_zips" -v k="$best_kv" -v w="$best_kv_wall" 'BEGIN {
  printf "zip -d: %d ms, zip -d + fsync: %d ms; Kelvora engine: %d ms, process under Wine: %d ms\n", z, zs, k, w
  printf "ratio engine / zip -d: %.2f   engine / (zip -d + fsync): %.2f   process / (zip -d + fsync): %.2f\n",
         k / z, k / zs, w / zs }'
