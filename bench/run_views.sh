#!/usr/bin/env bash
# The folder view and the content search under Wine, beside the tools that do the same work:
#   selecting a folder with 10 000 files until TreeList holds them all (target < 0.5 s);
#   a content search over a 200 MB archive for a text in its last member, against
#   `unzip -p archive | grep -c text`.
# The archives live outside the repository ($KELVORA_BENCH_DIR, default /tmp/kelvora-bench-views)
# and are made once. Never run by ctest.
set -euo pipefail
HERE=$(cd "$(dirname "$0")/.." && pwd)
BUILD="${KELVORA_BUILD:-$HERE/build-bench}"
WORK="${KELVORA_BENCH_DIR:-/tmp/kelvora-bench-views}"
ROUNDS="${KELVORA_BENCH_ROUNDS:-5}"
NEEDLE="kelvora-needle-7f3a"
for tool in unzip grep python3; do command -v $tool >/dev/null || { echo "run_views: $tool is missing" >&2; exit 1; }; done

DEPS=$(bash "$HERE/scripts/build-deps.sh")
cmake -S "$HERE" -B "$BUILD" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$HERE/cmake/mingw-w64-x86_64.cmake" \
  -DKELVORA_DEPS="$DEPS" >/dev/null
cmake --build "$BUILD" --target bench_views -j2 >/dev/null

mkdir -p "$WORK"
FOLDERS="$WORK/bigfolder.zip"
SEARCH="$WORK/search200.zip"
if [ ! -f "$FOLDERS" ]; then
  echo "making $FOLDERS (once)" >&2
  python3 - "$FOLDERS" <<'PY'
import sys, zipfile
exts = ["txt", "dat", "c", "h", "png", "html", "xml", "jpg"]
with zipfile.ZipFile(sys.argv[1] + ".tmp", "w") as z:
    for i in range(10000):
        info = zipfile.ZipInfo("big/folder/file%05d.%s" % (i, exts[i % len(exts)]),
                               date_time=(2000 + i % 30, 1 + i % 12, 1 + i % 28, i % 24, i % 60, 0))
        z.writestr(info, b"x" * (i % 100))
    for i in range(2000):
        z.writestr(zipfile.ZipInfo("other/sub%02d/f%04d.txt" % (i % 40, i), date_time=(2020, 1, 1, 0, 0, 0)), b"y")
PY
  mv "$FOLDERS.tmp" "$FOLDERS"
fi
if [ ! -f "$SEARCH" ]; then
  echo "making $SEARCH (once)" >&2
  python3 - "$SEARCH" "$NEEDLE" <<'PY'
import os, sys, zipfile
# 20 members of 10 MB of text (lines of 64 hex digits, compressing to about half); the text
# sought lies at the end of the last member.
with zipfile.ZipFile(sys.argv[1] + ".tmp", "w", zipfile.ZIP_DEFLATED) as z:
    for i in range(20):
        digits = os.urandom(5 * 1024 * 1024).hex()
        data = "\n".join(digits[k:k + 64] for k in range(0, len(digits), 64)).encode()
        if i == 19:
            data += b"\n" + sys.argv[2].encode() + b"\n"
        z.writestr(zipfile.ZipInfo("data/part%02d.txt" % i, date_time=(2022, 2, 2, 2, 2, 0)), data,
                   compress_type=zipfile.ZIP_DEFLATED)
PY
  mv "$SEARCH.tmp" "$SEARCH"
fi

. "$HERE/scripts/winenv.sh"
kv_env_start "$BUILD"
trap kv_env_stop EXIT
winpath() { echo "Z:$1" | tr '/' '\\'; }
secs() { python3 -c 'import sys,time,subprocess; t=time.time(); subprocess.run(sys.argv[1], shell=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL); print("%.2f" % (time.time()-t))' "$1"; }
ratio() { python3 -c "import sys; a,b=float(sys.argv[1]),float(sys.argv[2]); print('%.2f' % (a/b if b else 0))" "$1" "$2"; }

cat "$FOLDERS" "$SEARCH" >/dev/null
MB=$(python3 -c "import zipfile,sys; print('%.0f' % (sum(i.file_size for i in zipfile.ZipFile(sys.argv[1]).infolist())/1e6))" "$SEARCH")
echo "== folder view and search ($(date -u +%Y-%m-%d), $(nproc) cores, load $(cut -d' ' -f1 /proc/loadavg))"
OUT=$(wine "$BUILD/bin/bench_views.exe" "$(winpath "$FOLDERS")" 'big\folder' "$(winpath "$SEARCH")" "$NEEDLE" "$ROUNDS" | tr -d '\r')
echo "$OUT" | grep -v '_MS ' | sed 's/^/  bench_views: /'
F=$(echo "$OUT" | awk '/^FOLDER_MS/{printf "%.3f", $2/1000}')
FMIN=$(echo "$OUT" | awk '/^FOLDER_MS/{printf "%.3f", $4/1000}')
K=$(echo "$OUT" | awk '/^SEARCH_MS/{printf "%.2f", $2/1000}')
G=$(secs "unzip -p '$SEARCH' | grep -c '$NEEDLE'")
echo "  select a folder of 10 000 files until TreeList is full   ${F} s median, ${FMIN} s fastest of ${ROUNDS}   (target < 0.5 s)"
echo "  kelvora content search, ${MB} MB uncompressed               ${K} s   ($(python3 -c "print('%.0f' % ($MB/$K))") MB/s)"
echo "  unzip -p | grep -c                                       ${G} s   (kelvora/unzip ratio $(ratio "$K" "$G"))"
