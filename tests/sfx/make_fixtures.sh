#!/usr/bin/env bash
# Makes the archives the self-extractor tests turn into programs, with Info-ZIP zip (plain and
# traditionally encrypted) and Python's zipfile (names that lead out of the folder), and
# unzip's extraction of each as the expected tree. Runs again only when this script changed.
set -euo pipefail
OUT=${1:?usage: make_fixtures.sh OUTDIR}
mkdir -p "$OUT"; OUT=$(cd "$OUT" && pwd)
HERE=$(cd "$(dirname "$0")" && pwd)
STAMP="$OUT/.stamp"
SUM=$(sha256sum "$HERE/make_fixtures.sh" | cut -d' ' -f1)
if [ -f "$STAMP" ] && [ "$(cat "$STAMP")" = "$SUM" ]; then exit 0; fi
rm -rf "$OUT"; mkdir -p "$OUT"; cd "$OUT"
for tool in zip unzip python3; do command -v $tool >/dev/null || { echo "make_fixtures: $tool is missing" >&2; exit 1; }; done

mkdir -p src/docs/deep/er src/empty src/bin
printf 'hello from the archive\r\n' > src/hello.txt
python3 -c "open('src/docs/long.txt','w').write(''.join('line %d of the text\n' % i for i in range(40000)))"
python3 -c "import random; random.seed(5); open('src/bin/noise.bin','wb').write(bytes(random.getrandbits(8) for _ in range(200000)))"
printf 'leaf\n' > src/docs/deep/er/leaf.txt
: > src/zero.txt
find src -exec touch -h -t 202203040506.10 {} +
touch -t 201911301122.34 src/hello.txt
touch -t 202012242000.00 src/docs/long.txt
(cd src && zip -q -r -X ../plain.zip .)
(cd src && zip -q -r -X -P secret ../trad.zip .)
mkdir plain_unzipped && (cd plain_unzipped && unzip -q ../plain.zip)

# Names that leave the folder, next to harmless ones.
python3 - <<'PYEOF'
import zipfile
with zipfile.ZipFile('hostile.zip', 'w') as z:
    for name in ('../escaped_up.txt', 'inner/../../escaped_climb.txt', '/escaped_absolute.txt',
                 'C:/escaped_drive.txt', 'good.txt', 'inner/../kept_inside.txt', 'inner/ok.txt'):
        z.writestr(name, 'content of %s\n' % name)
PYEOF
echo "$SUM" > "$STAMP"
