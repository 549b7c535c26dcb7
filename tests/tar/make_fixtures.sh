#!/usr/bin/env bash
# Makes the TAR fixtures with real tools (GNU tar, bsdtar, Python's tarfile, gzip, bzip2) into
# the folder given as $1, with each archive's member list as GNU tar reports it ("NAME.list",
# folders left out). Runs again only when this script changed.
set -euo pipefail
OUT=${1:?usage: make_fixtures.sh OUTDIR}
HERE=$(cd "$(dirname "$0")" && pwd)
STAMP="$OUT/.stamp"
SUM=$(sha256sum "$HERE/make_fixtures.sh" | cut -d' ' -f1)
if [ -f "$STAMP" ] && [ "$(cat "$STAMP")" = "$SUM" ]; then exit 0; fi
rm -rf "$OUT"; mkdir -p "$OUT"; cd "$OUT"
mkdir -p src/docs/img src/empty src/deep/er/est
printf 'hello kelvora\n' > src/hello.txt
python3 -c "import random; random.seed(3); open('src/docs/img/noise.bin','wb').write(bytes(random.getrandbits(8) for _ in range(200000)))"
python3 -c "open('src/docs/readme.txt','w').write(''.join('line %d\n' % i for i in range(5000)))"
: > src/zero.txt
LONG=$(printf 'l%.0s' $(seq 1 120)).txt
printf 'long name\n' > "src/deep/er/est/$LONG"
printf 'caf\xc3\xa9\n' > "src/caf$(printf '\xc3\xa9').txt"
find src -exec touch -h -t 202103040506.08 {} +
(cd src && tar --format=ustar -cf ../ustar.tar hello.txt docs zero.txt)
(cd src && tar --format=gnu -cf ../gnu.tar .)
(cd src && tar --format=pax -cf ../pax.tar .)
gzip -9 -c gnu.tar > gnu.tar.gz; cp gnu.tar.gz gnu.tgz
bzip2 -c pax.tar > pax.tar.bz2
(cd src && bsdtar -cZf ../bsd.tar.Z hello.txt docs)
for a in ustar.tar gnu.tar pax.tar gnu.tar.gz gnu.tgz pax.tar.bz2 bsd.tar.Z; do
  LC_ALL=C.UTF-8 tar -tf "$a" | grep -v '/$' | sed 's|^\./||' | sort > "$a.list"
done
# Hostile names, written by Python's tarfile.
python3 - <<'PY'
import io, tarfile
def add(t, name, data=b'x\n', kind=tarfile.REGTYPE, link=''):
    i = tarfile.TarInfo(name); i.type = kind; i.linkname = link; i.mtime = 1600000000
    i.size = len(data) if kind == tarfile.REGTYPE else 0
    t.addfile(i, io.BytesIO(data) if kind == tarfile.REGTYPE else None)
with tarfile.open('hostile.tar', 'w', format=tarfile.PAX_FORMAT) as t:
    add(t, 'good.txt', b'good\n')
    add(t, '/abs.txt'); add(t, '../up.txt'); add(t, 'a/../../up2.txt'); add(t, 'C:/drive.txt')
    add(t, 'out', kind=tarfile.SYMTYPE, link='../outside')
    add(t, 'hard', kind=tarfile.LNKTYPE, link='../outside')
    add(t, 'fifo', kind=tarfile.FIFOTYPE)
    add(t, 'inlink', kind=tarfile.SYMTYPE, link='good.txt')
    add(t, 'sub/ok.txt', b'ok\n')
PY
head -c 3000 gnu.tar.gz > truncated.tar.gz
python3 -c "import random; random.seed(5); open('random.tar','wb').write(bytes(random.getrandbits(8) for _ in range(20000)))"
echo "$SUM" > "$STAMP"
