#!/usr/bin/env bash
# Makes the archives the main-window tests open, with Python's zipfile and Info-ZIP zip, into
# the folder given as $1. Runs again only when this script changed.
set -euo pipefail
OUT=${1:?usage: make_fixtures.sh OUTDIR}
HERE=$(cd "$(dirname "$0")" && pwd)
STAMP="$OUT/.stamp"
SUM=$(cat "$HERE/make_fixtures.sh" | sha256sum | cut -d' ' -f1)
if [ -f "$STAMP" ] && [ "$(cat "$STAMP")" = "$SUM" ]; then exit 0; fi
rm -rf "$OUT"; mkdir -p "$OUT"
cd "$OUT"
command -v python3 >/dev/null || { echo "make_fixtures: python3 is missing" >&2; exit 1; }
command -v zip >/dev/null || { echo "make_fixtures: zip is missing" >&2; exit 1; }

python3 - <<'PY'
import zipfile
when = (2021, 3, 4, 5, 6, 8)

def stored(name, data):
    info = zipfile.ZipInfo(name, when)
    info.compress_type = zipfile.ZIP_STORED
    return info, data

# Flat: five stored files at the top level, 6000 bytes in all.
with zipfile.ZipFile('flat.zip', 'w') as z:
    for name, size in [('a.txt', 100), ('b.txt', 200), ('c.log', 300), ('d.dat', 400), ('e.bin', 5000)]:
        z.writestr(*stored(name, bytes([97 + len(name)]) * size))

# Nested folders, with directory entries (never shown as rows).
with zipfile.ZipFile('nested.zip', 'w') as z:
    for d in ['a/', 'a/b/', 'a/b/c/', 'd/']:
        z.writestr(zipfile.ZipInfo(d, when), b'')
    for name, text in [('top.txt', b'top level\n'), ('a/one.txt', b'one\n'), ('a/b/two.txt', b'two two\n'),
                       ('a/b/c/three.txt', b'three three three\n'), ('d/four.txt', b'four\n'),
                       ('a/b/five.txt', b'five\n')]:
        z.writestr(*stored(name, text))

# 10 000 members in 100 folders.
with zipfile.ZipFile('many.zip', 'w', zipfile.ZIP_DEFLATED) as z:
    for i in range(10000):
        z.writestr(zipfile.ZipInfo('dir%02d/file%05d.txt' % (i % 100, i), when), ('member %d\n' % i).encode())

# An archive without members.
with zipfile.ZipFile('empty.zip', 'w') as z:
    pass

# A text file that only carries the suffix.
open('notzip.zip', 'w').write('this is not an archive\n' * 20)
open('dropped.txt', 'w').write('dropped onto the window\n')
PY

mkdir -p src && printf 'secret text\n' > src/hidden.txt && printf 'more secret text\n' > src/other.txt
(cd src && zip -q -X -P secret ../encrypted.zip hidden.txt other.txt)
rm -rf src
echo "$SUM" > "$STAMP"
