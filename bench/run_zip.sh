#!/usr/bin/env bash
# ZIP engine benchmark: Kelvora (under Wine) against Info-ZIP unzip and 7-Zip on the same data in
# the same run, with ratios.
#   - listing an archive of 100 000 members into the list view, with totals (target <= 3 s)
#   - extracting a mixed corpus of about 1 GiB (target: throughput >= 0.9 x unzip)
#   - kelvora-cli l and x on the same archives
# The corpus lives outside the repository ($KELVORA_BENCH_DIR, default /tmp/kelvora-bench-zip)
# and is made once. Never run by ctest.
set -euo pipefail
HERE=$(cd "$(dirname "$0")/.." && pwd)
BUILD="${KELVORA_BUILD:-$HERE/build-bench}"
WORK="${KELVORA_BENCH_DIR:-/tmp/kelvora-bench-zip}"
SEVENZ=$(command -v 7zz || command -v 7z || command -v 7za || true)
for tool in zip unzip python3; do command -v $tool >/dev/null || { echo "run_zip: $tool is missing" >&2; exit 1; }; done
[ -n "$SEVENZ" ] || { echo "run_zip: 7-Zip is missing" >&2; exit 1; }

DEPS=$(bash "$HERE/scripts/build-deps.sh")
cmake -S "$HERE" -B "$BUILD" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$HERE/cmake/mingw-w64-x86_64.cmake" \
  -DKELVORA_DEPS="$DEPS" >/dev/null
cmake --build "$BUILD" --target bench_zip kelvora-cli -j2 >/dev/null

mkdir -p "$WORK"
if [ ! -f "$WORK/corpus.zip" ] || [ ! -f "$WORK/many.zip" ]; then
  echo "making the corpus in $WORK (once)" >&2
  rm -rf "$WORK/corpus" "$WORK/corpus.zip" "$WORK/many.zip"
  python3 - "$WORK" <<'PY'
import os, random, sys, zipfile
work = sys.argv[1]
random.seed(11)
words = [("w%d" % i).encode() for i in range(4000)]
def text(n):
    out, size = [], 0
    while size < n:
        line = b" ".join(random.choice(words) for _ in range(12)) + b"\n"
        out.append(line); size += len(line)
    return b"".join(out)[:n]
root = os.path.join(work, "corpus")
# 20 000 small files (1-32 KiB): text, some random, spread over 200 folders.
for i in range(20000):
    d = os.path.join(root, "small", "d%03d" % (i % 200))
    os.makedirs(d, exist_ok=True)
    n = random.randint(1024, 32768)
    data = os.urandom(n) if i % 5 == 0 else text(n)
    open(os.path.join(d, "f%05d.%s" % (i, "bin" if i % 5 == 0 else "txt")), "wb").write(data)
# A few large files: compressible text, random bytes, and a mix.
os.makedirs(os.path.join(root, "large"), exist_ok=True)
block = text(1 << 20)
with open(os.path.join(root, "large", "text.log"), "wb") as f:
    for i in range(320):
        f.write(block[i % 1000:] + block[:i % 1000])
with open(os.path.join(root, "large", "random.bin"), "wb") as f:
    for _ in range(200):
        f.write(os.urandom(1 << 20))
with open(os.path.join(root, "large", "mixed.dat"), "wb") as f:
    for i in range(200):
        f.write(os.urandom(1 << 19) if i % 2 else block[: 1 << 20])
# 100 000 members for the listing.
with zipfile.ZipFile(os.path.join(work, "many.zip"), "w") as z:
    exts = ["txt", "dat", "c", "h", "png", "html", "xml", "jpg"]
    for i in range(100000):
        zi = zipfile.ZipInfo("folder%03d/sub%02d/file%06d.%s" % (i % 300, i % 17, i, exts[i % len(exts)]),
                             date_time=(2021, 5, 6, 7, 8, 10))
        z.writestr(zi, b"x" * (i % 64))
PY
  (cd "$WORK/corpus" && zip -q -r ../corpus.zip .)
fi

. "$HERE/scripts/winenv.sh"
kv_env_start "$BUILD"
trap kv_env_stop EXIT
wine "$BUILD/bin/bench_zip.exe" listing 'Z:\tmp\nonexistent' >/dev/null 2>&1 || true  # warm the prefix

secs() { python3 -c 'import sys,time; t=time.time(); import subprocess; subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL); print("%.2f" % (time.time()-t))' "$@"; }
winpath() { echo "Z:$1" | tr '/' '\\'; }
ratio() { python3 -c "import sys; a,b=float(sys.argv[1]),float(sys.argv[2]); print('%.2f' % (a/b if b else 0))" "$1" "$2"; }

MANY="$WORK/many.zip"; CORPUS="$WORK/corpus.zip"
cat "$MANY" "$CORPUS" >/dev/null
BYTES=$(python3 -c "import zipfile,sys; print(sum(i.file_size for i in zipfile.ZipFile(sys.argv[1]).infolist()))" "$CORPUS")
MEMBERS=$(python3 -c "import zipfile,sys; print(len(zipfile.ZipFile(sys.argv[1]).infolist()))" "$CORPUS")

echo "== listing 100 000 members ($(date -u +%Y-%m-%d), $(nproc) cores)"
L_UNZIP=$(secs unzip -l "$MANY")
L_7Z=$(secs "$SEVENZ" l "$MANY")
L_CLI=$(secs wine "$BUILD/bin/kelvora-cli.exe" l "$(winpath "$MANY")")
LV=$(wine "$BUILD/bin/bench_zip.exe" listing "$(winpath "$MANY")" | tr -d '\r')
L_VIEW=$(echo "$LV" | awk '/^listing_ms/{printf "%.2f", $2/1000}')
echo "$LV" | sed 's/^/  bench_zip: /'
echo "  unzip -l              ${L_UNZIP} s"
echo "  7z l                  ${L_7Z} s"
echo "  kelvora list view     ${L_VIEW} s   (target <= 3 s; rows built on the worker, batches to the window thread)"
echo "  kelvora-cli l         ${L_CLI} s   (with Wine start-up)"
echo "  ratio list view / unzip -l: $(ratio "$L_VIEW" "$L_UNZIP")"

echo "== extracting $MEMBERS members, $((BYTES / 1048576)) MiB"
OUT="$WORK/out"; rm -rf "$OUT"; mkdir -p "$OUT"
X_UNZIP=$(secs unzip -q -o "$CORPUS" -d "$OUT/unzip"); rm -rf "$OUT/unzip"
X_7Z=$(secs "$SEVENZ" x -y "-o$OUT/7z" "$CORPUS"); rm -rf "$OUT/7z"
XB=$(wine "$BUILD/bin/bench_zip.exe" extract "$(winpath "$CORPUS")" "$(winpath "$OUT/engine")" | tr -d '\r')
X_ENGINE=$(echo "$XB" | awk '/^extract_ms/{printf "%.2f", $2/1000}')
echo "$XB" | sed 's/^/  bench_zip: /'
rm -rf "$OUT/engine"
X_CLI=$(secs wine "$BUILD/bin/kelvora-cli.exe" x "$(winpath "$CORPUS")" -o "$(winpath "$OUT/cli")")
if ! diff -rq "$WORK/corpus" "$OUT/cli" >/dev/null; then echo "  kelvora-cli x output differs from the corpus!" >&2; fi
rm -rf "$OUT/cli"
mbs() { python3 -c "import sys; print('%.0f' % (float(sys.argv[1])/1048576/float(sys.argv[2])))" "$BYTES" "$1"; }
echo "  unzip                 ${X_UNZIP} s  $(mbs "$X_UNZIP") MiB/s"
echo "  7z x                  ${X_7Z} s  $(mbs "$X_7Z") MiB/s"
echo "  kelvora engine        ${X_ENGINE} s  $(mbs "$X_ENGINE") MiB/s"
echo "  kelvora-cli x         ${X_CLI} s  $(mbs "$X_CLI") MiB/s   (with Wine start-up)"
echo "  throughput ratio engine / unzip:      $(ratio "$X_UNZIP" "$X_ENGINE")   (target >= 0.9)"
echo "  throughput ratio kelvora-cli / unzip: $(ratio "$X_UNZIP" "$X_CLI")"
echo "  throughput ratio kelvora-cli / 7z:    $(ratio "$X_7Z" "$X_CLI")"
