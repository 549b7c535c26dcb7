#!/usr/bin/env bash
# Makes the archives the modification tests change, with Info-ZIP zip and Python's zipfile, into
# the folder given as $1, beside the source files they were made from. Runs again only when this
# script or fixtures.py changed.
set -euo pipefail
OUT=${1:?usage: make_fixtures.sh OUTDIR}
HERE=$(cd "$(dirname "$0")" && pwd)
STAMP="$OUT/.stamp"
SUM=$(cat "$HERE/make_fixtures.sh" "$HERE/fixtures.py" | sha256sum | cut -d' ' -f1)
if [ -f "$STAMP" ] && [ "$(cat "$STAMP")" = "$SUM" ]; then exit 0; fi
rm -rf "$OUT"; mkdir -p "$OUT"
cd "$OUT"
command -v zip >/dev/null || { echo "make_fixtures: zip is missing" >&2; exit 1; }
command -v python3 >/dev/null || { echo "make_fixtures: python3 is missing" >&2; exit 1; }

mkdir -p src/docs/img src/empty_dir src/deep/er/est
printf 'hello kelvora\r\n' > src/hello.txt
python3 -c "import random; random.seed(11); open('src/docs/img/noise.bin','wb').write(bytes(random.getrandbits(8) for _ in range(200000)))"
python3 -c "open('src/docs/readme.txt','w').write(''.join('line %d of a compressible text\n' % i for i in range(20000)))"
: > src/zero.txt
printf 'spaces in the name\n' > "src/my file.txt"
printf 'deep\n' > src/deep/er/est/leaf.txt
find src -exec touch -h -t 202103040506.08 {} +
touch -t 201912312359.58 src/hello.txt

# Info-ZIP: folder entries, UT/ux extra fields, an archive comment; traditional encryption (its
# entries carry data descriptors); stored.
(cd src && echo "Kelvora modification fixture" | zip -q -r -9 -z ../iz_comment.zip .)
(cd src && zip -q -r -P secret ../iz_encrypted.zip docs hello.txt deep)
(cd src && zip -q -r -0 ../iz_stored.zip .)

# 7-Zip: methods the zip library does not know (LZMA) and AES encryption; copied all the same.
SEVENZ=$(command -v 7zz || command -v 7z || command -v 7za || true)
[ -n "$SEVENZ" ] || { echo "make_fixtures: 7-Zip (7zz/7z) is missing" >&2; exit 1; }
(cd src && "$SEVENZ" a -bso0 -bsp0 -tzip -mm=LZMA ../7z_lzma.zip hello.txt docs/readme.txt "my file.txt")
(cd src && "$SEVENZ" a -bso0 -bsp0 -tzip -psecret -mem=AES256 ../7z_aes.zip hello.txt docs/readme.txt "my file.txt")

python3 "$HERE/fixtures.py" make "$OUT"
echo "$SUM" > "$STAMP"
