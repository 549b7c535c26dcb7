#!/usr/bin/env bash
# Builds self-extracting programs with kelvora-cli and reads them back with outside tools only:
# Python's pefile lists the RT_RCDATA resources (identifiers, languages, sizes), the joined
# pieces must give the archive, and encrypted pieces decrypted block by block with openssl
# (key = MD5 of the password from hashlib, the fixed vector) must give the archive too.
#
#   check_layout.sh OUTDIR KELVORA_CLI_EXE
set -uo pipefail
export LC_ALL=C
OUT=${1:?output folder}
CLI=${2:?kelvora-cli.exe}
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
PY=/usr/bin/python3
$PY -c 'import pefile' 2>/dev/null || { echo "check_layout: python3-pefile is missing"; exit 77; }
command -v openssl >/dev/null || { echo "check_layout: openssl is missing"; exit 77; }
command -v zip >/dev/null || { echo "check_layout: zip is missing"; exit 77; }
rm -rf "$OUT"; mkdir -p "$OUT"; cd "$OUT"
winpath() { printf 'Z:%s' "$1" | tr '/' '\\'; }

# Inputs of exact sizes (the builder stores any bytes) and one real archive made by zip.
$PY - <<'PYEOF'
import random
random.seed(16)
for size in (1000, 1050, 300000, 99, 5):
    open('in_%d.bin' % size, 'wb').write(bytes(random.getrandbits(8) for _ in range(size)))
PYEOF
mkdir -p tree/sub && seq 1 30000 > tree/sub/numbers.txt && echo hello > tree/hello.txt
(cd tree && zip -qr ../real.zip .)

fail=0
# name input password(-=none) mode(a|fixed) expected "id:size ..." summary (first, last, count)
run_case() {
  local name=$1 input=$2 pw=$3 mode=$4 expect=$5
  local args=(sfx "$(winpath "$OUT/$input")" "$(winpath "$OUT/$name.exe")")
  [ "$pw" != - ] && args+=(-p "$pw")
  [ "$mode" = fixed ] && args+=(--fixed-pieces)
  if ! bash "$ROOT/scripts/wine-run.sh" "$CLI" "${args[@]}" >"$name.log" 2>&1; then
    cat "$name.log"; echo "FAIL: $name: kelvora-cli sfx failed"; fail=1; return
  fi
  if $PY - "$name.exe" "$input" "$pw" "$expect" <<'PYEOF'
import hashlib, subprocess, sys
import pefile
exe, source, pw, expect = sys.argv[1:5]
pe = pefile.PE(exe)
data = open(exe, 'rb').read()
rcdata = [t for t in pe.DIRECTORY_ENTRY_RESOURCE.entries if t.id == 10]
assert len(rcdata) == 1, 'no RT_RCDATA'
pieces = {}
stub_header = None
for entry in rcdata[0].directory.entries:
    for lang in entry.directory.entries:
        d = lang.data.struct
        blob = pe.get_data(d.OffsetToData, d.Size)
        if lang.id == 0:
            pieces[entry.id] = blob
        elif entry.id == 111 and lang.id == 1033:
            stub_header = blob
        else:
            sys.exit('%s: unexpected resource %s language %s' % (exe, entry.id, lang.id))
problems = []
if stub_header != b'\x01\x00':
    problems.append('the stub header 111/1033 is %r' % stub_header)
header = pieces.pop(111, None)
want = b'\x11\x01\x00\x00' if pw != '-' else b'\x00\x00\x00\x00'
if header != want:
    problems.append('header is %r, want %r' % (header, want))
ids = sorted(pieces)
if ids != list(range(112, 112 + len(ids))):
    problems.append('pieces have gaps: %s' % ids)
# expect: "FIRST-LAST:SIZE,...;LASTSIZE" -- every piece but the last of SIZE, the last LASTSIZE
original = open(source, 'rb').read()
if expect == 'auto':  # one hundredth of the archive per piece, the rest in the last one
    unit = len(original) // 100
    count = -(-len(original) // unit)
    expect = '112-%d:%d,%d' % (111 + count, unit, len(original) - unit * (count - 1))
rng, sizes = expect.split(':')
first, last = (int(x) for x in rng.split('-'))
size, last_size = (int(x) for x in sizes.split(','))
if ids and (ids[0], ids[-1]) != (first, last):
    problems.append('identifiers %d to %d, want %d to %d' % (ids[0], ids[-1], first, last))
got_sizes = [len(pieces[i]) for i in ids]
if got_sizes[:-1] != [size] * (len(ids) - 1) or got_sizes[-1:] != [last_size]:
    problems.append('piece sizes %s, want %d and last %d' % (sorted(set(got_sizes)), size, last_size))
joined = b''.join(pieces[i] for i in ids)
if pw == '-':
    if joined != original:
        problems.append('joined pieces differ from the archive')
else:
    key = hashlib.md5(pw.encode()).hexdigest()
    iv = b'7051938264193058'.hex()
    plain = b''
    for at in range(0, len(joined), 131072):
        block = joined[at:at + 131072]
        r = subprocess.run(['openssl', 'enc', '-d', '-aes-128-cbc', '-nopad', '-K', key, '-iv', iv],
                           input=block, capture_output=True)
        if r.returncode != 0:
            problems.append('openssl failed: %s' % r.stderr.decode())
            break
        plain += r.stdout
    blocks = [original[at:at + 131072] for at in range(0, len(original), 131072)]
    want_len = sum(-(-len(b) // 16) * 16 for b in blocks)
    if len(joined) != want_len:
        problems.append('encrypted length %d for %d bytes, want %d' % (len(joined), len(original), want_len))
    # Every 128 KiB block is encrypted by itself, so block k decrypts to plain block k.
    plain_blocks = [plain[at:at + 131072] for at in range(0, len(plain), 131072)]
    if len(plain_blocks) != len(blocks) or any(p[:len(b)] != b for p, b in zip(plain_blocks, blocks)):
        problems.append('openssl decryption does not give the archive')
if problems:
    print('\n'.join(problems))
    sys.exit(1)
print('%d pieces, ids %d-%d' % (len(ids), ids[0], ids[-1]))
PYEOF
  then echo "PASS: $name"; else echo "FAIL: $name"; fail=1; fi
}

run_case plain1000 in_1000.bin - a "112-211:10,10"
run_case plain1050 in_1050.bin - a "112-216:10,10"
run_case crypt1000 in_1000.bin secret a "112-162:20,8"
run_case fixed300000 in_300000.bin - fixed "112-114:131072,37856"
run_case cryptfixed300000 in_300000.bin "pass word" fixed "112-114:131072,37856"
run_case crypt300000 in_300000.bin k a "112-161:6000,6000"
run_case tiny99 in_99.bin - a "112-112:99,99"
run_case crypttiny5 in_5.bin x a "112-112:16,16"
run_case realzip real.zip - a auto

# Refusals: a missing archive writes no program.
if bash "$ROOT/scripts/wine-run.sh" "$CLI" sfx "$(winpath "$OUT/missing.zip")" "$(winpath "$OUT/missing.exe")" >missing.log 2>&1; then
  echo "FAIL: a missing archive was reported as built"; fail=1
else
  echo "PASS: a missing archive is refused"
fi
exit "$fail"
