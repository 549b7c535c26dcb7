#!/usr/bin/env bash
# Makes the ZIP interoperability fixtures with real tools (Info-ZIP zip/unzip, Python's zipfile,
# 7-Zip) into the folder given as $1, next to the expected results those tools report. The tests
# read both. Runs again only when this script changed.
set -euo pipefail
OUT=${1:?usage: make_fixtures.sh OUTDIR}
HERE=$(cd "$(dirname "$0")" && pwd)
STAMP="$OUT/.stamp"
SUM=$(cat "$HERE/make_fixtures.sh" "$HERE/fixtures.py" | sha256sum | cut -d' ' -f1)
if [ -f "$STAMP" ] && [ "$(cat "$STAMP")" = "$SUM" ]; then exit 0; fi
rm -rf "$OUT"; mkdir -p "$OUT"
cd "$OUT"
need() { command -v "$1" >/dev/null 2>&1 || { echo "make_fixtures: $1 is missing" >&2; exit 1; }; }
need zip; need unzip; need python3
SEVENZ=$(command -v 7zz || command -v 7z || command -v 7za || true)
[ -n "$SEVENZ" ] || { echo "make_fixtures: 7-Zip (7zz/7z) is missing" >&2; exit 1; }

# Source tree with fixed times so the dates are known.
mkdir -p src/plain/docs/img src/plain/empty_dir src/plain/deep/er/est
printf 'hello kelvora\r\n' > src/plain/hello.txt
python3 -c "import random; random.seed(7); open('src/plain/docs/img/noise.bin','wb').write(bytes(random.getrandbits(8) for _ in range(300000)))"
python3 -c "open('src/plain/docs/readme.txt','w').write(''.join('line %d of a compressible text\n' % i for i in range(20000)))"
: > src/plain/zero.txt
printf 'spaces in the name\n' > "src/plain/my file.txt"
printf 'deep\n' > src/plain/deep/er/est/leaf.txt
find src/plain -exec touch -h -t 202103040506.08 {} +
touch -t 201912312359.58 src/plain/hello.txt

# Info-ZIP: stored, deflated with a comment, without directory entries, traditional encryption.
(cd src/plain && zip -q -r -0 -X ../../zip_stored.zip .)
(cd src/plain && echo "Kelvora fixture comment" | zip -q -r -9 -X -z ../../zip_deflated.zip .)
(cd src/plain && zip -q -r -D -X ../../zip_nodirs.zip .)
(cd src/plain && zip -q -r -X -P secret ../../zip_encrypted.zip docs hello.txt)
(cd src/plain && zip -q -j -X -P secret ../../zip_encrypted_flat.zip hello.txt docs/readme.txt)
(cd src/plain && zip -q -r -X ../../zip_onlydirs.zip empty_dir deep -x '*.txt')
# Encrypted through a pipe: the member "-" has a data descriptor and a time check byte.
(cd src/plain && zip -q -X -P secret ../../zip_encrypted_stream.zip - < hello.txt)

# 7-Zip: methods and encryption the program does not decode.
(cd src/plain && "$SEVENZ" a -bso0 -bsp0 -tzip -mm=BZip2 ../../7z_bzip2.zip hello.txt docs/readme.txt)
(cd src/plain && "$SEVENZ" a -bso0 -bsp0 -tzip -mm=LZMA ../../7z_lzma.zip hello.txt docs/readme.txt)
(cd src/plain && "$SEVENZ" a -bso0 -bsp0 -tzip -psecret -mem=AES256 ../../7z_aes.zip hello.txt docs/readme.txt)

# Names with umlauts and Greek letters from a UTF-8 system: Info-ZIP stores the UTF-8 bytes
# (with its Unicode path field), 7-Zip stores them with the UTF-8 flag.
mkdir -p "src/names/Grüße"
printf 'overview\n' > "src/names/Grüße/Übersicht.txt"
printf 'greek\n' > "src/names/Ελληνικά.txt"
printf 'plain\n' > "src/names/plain.txt"
find src/names -exec touch -h -t 202103040506.08 {} +
(cd src/names && LC_ALL=C.UTF-8 zip -q -r ../../infozip_utf8_names.zip .)
(cd src/names && LC_ALL=C.UTF-8 "$SEVENZ" a -bso0 -bsp0 -tzip ../../7z_utf8_names.zip .)

# Python's zipfile: zip64, OEM names, mixed methods, hostile names, damaged data.
python3 "$HERE/fixtures.py" "$OUT"

# Truncated archives: the end of central directory is gone; or the whole central directory.
python3 "$HERE/fixtures.py" --nocd "$OUT"
head -c $(( $(stat -c %s zip_deflated.zip) / 2 )) zip_deflated.zip > truncated_half.zip
head -c $(( $(stat -c %s zip_stored.zip) - 10 )) zip_stored.zip > truncated_tail.zip
# For the repair: the members that are still whole in the cut archive, and an archive whose
# central directory is gone and one member's data is overwritten in the middle; zip -FF's view
# of the cut archive beside them.
python3 - <<'PY'
import os, struct, zipfile
def member_end(f, info):
    f.seek(info.header_offset)
    head = f.read(30)
    n, e = struct.unpack('<HH', head[26:30])
    return info.header_offset + 30 + n + e, info.compress_size + (16 if info.flag_bits & 8 else 0)
src = 'zip_deflated.zip'
cut = os.path.getsize('truncated_half.zip')
with zipfile.ZipFile(src) as z, open(src, 'rb') as f:
    infos = z.infolist()
    whole = [i.filename for i in infos if sum(member_end(f, i)) <= cut]
    files = [i for i in infos if not i.is_dir() and i.compress_size > 16]
    victim = max(files, key=lambda i: i.compress_size)
    start, length = member_end(f, victim)
    f.seek(0)
    data = bytearray(f.read())
data[start + length // 2:start + length // 2 + 8] = b'\xde\xad\xbe\xef' * 2
end_of_members = max(sum(member_end(open(src, 'rb'), i)) for i in infos)
open('damaged_middle.zip', 'wb').write(bytes(data[:end_of_members]))
open('truncated_half.whole.txt', 'w').write(''.join(n + '\n' for n in whole))
open('damaged_middle.whole.txt', 'w').write(''.join(i.filename + '\n' for i in infos if i is not victim))
PY
(yes | zip -FF truncated_half.zip --out ff_half.zip) >/dev/null 2>&1 || true
unzip -Z1 ff_half.zip > truncated_half.zipff.txt 2>/dev/null || : > truncated_half.zipff.txt
: > empty.zip
# Archives without members: Python's, Info-ZIP's after deleting its only member, one with an
# archive comment; and two damaged ones: an end record that claims a member, an archive comment
# cut short.
python3 - <<'PY'
import zipfile
with zipfile.ZipFile('empty_python.zip', 'w'):
    pass
with zipfile.ZipFile('empty_comment.zip', 'w') as z:
    z.comment = b'an archive without members'
end = lambda entries, comment=b'': (b'PK\5\6' + bytes(4) + entries.to_bytes(2, 'little') * 2 + bytes(8)
                                    + len(comment).to_bytes(2, 'little') + comment)
open('empty_claims_one.zip', 'wb').write(end(1))
open('empty_cut_comment.zip', 'wb').write(end(0, b'an archive without members')[:-5])
PY
printf 'only member\n' > only.txt
zip -q -X empty_infozip.zip only.txt && zip -q -d empty_infozip.zip only.txt
rm only.txt
python3 -c "open('notazip.zip','w').write('this is not a zip archive\n' * 200)"

# What the other tools say: every listing, names from unzip, tests from unzip.
for z in *.zip; do
  python3 "$HERE/fixtures.py" --expect "$z" > "${z%.zip}.expect" 2>/dev/null || rm -f "${z%.zip}.expect"
  unzip -Z1 "$z" > "${z%.zip}.unzip-names" 2>/dev/null || rm -f "${z%.zip}.unzip-names"
done
unzip -zq zip_deflated.zip > zip_deflated.comment
echo "$SUM" > "$STAMP"
