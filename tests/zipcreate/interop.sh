#!/usr/bin/env bash
# Archives written by kelvora-cli (under Wine) checked by other tools: Info-ZIP unzip (-t, -P,
# extraction compared byte for byte with the sources), bsdtar and Python's zipfile. Covers every
# level, encryption, prefixes, filters, appending and its refusals, 65535 members and more, and a
# member of more than 4 GiB (skipped when the disk lacks the room or the time limit is tight).
#
# usage: interop.sh WORKDIR KELVORA-CLI.EXE WINE-RUN-SCRIPT
set -uo pipefail
WORK=${1:?usage: interop.sh WORKDIR CLI WINERUN}
CLI=${2:?}
WINERUN=${3:?}
need() { command -v "$1" >/dev/null 2>&1 || { echo "interop: $1 is missing" >&2; exit 1; }; }
need unzip; need bsdtar; need python3
rm -rf "$WORK"; mkdir -p "$WORK"; cd "$WORK"

FAILS=0
fail() { echo "FAIL: $*" >&2; FAILS=$((FAILS + 1)); }
pass() { echo "ok: $*"; }
cli() { bash "$WINERUN" "$CLI" "$@" >cli.out 2>cli.err; }
# Expect an exit code from the last cli call.
expect_rc() { local want=$1 got=$2 what=$3; [ "$got" = "$want" ] && pass "$what (exit $got)" || { fail "$what: exit $got, expected $want"; cat cli.err >&2; }; }
# unzip -t, bsdtar -tf and Python agree that the archive is whole.
check_archive() {
  local zip=$1 what=$2; shift 2
  if unzip -tq "$@" "$zip" >unzip.out 2>&1; then pass "$what: unzip -t"; else fail "$what: unzip -t"; cat unzip.out >&2; fi
  if bsdtar -tf "$zip" >/dev/null 2>bsdtar.err; then pass "$what: bsdtar -tf"; else fail "$what: bsdtar -tf"; cat bsdtar.err >&2; fi
  if python3 - "$zip" <<'EOF'
import sys, zipfile
z = zipfile.ZipFile(sys.argv[1])
names = z.namelist()
assert len(names) == len(set(names)), "duplicate member names"
EOF
  then pass "$what: python zipfile"; else fail "$what: python zipfile"; fi
}
# Extracts with unzip and compares with a source folder.
check_extract() {
  local zip=$1 src=$2 what=$3; shift 3
  rm -rf x; mkdir x
  if unzip -q "$@" "$zip" -d x >unzip.out 2>&1 && diff -r "$src" "x/$(basename "$src")" >diff.out 2>&1; then
    pass "$what: extracted bytes equal"
  else
    fail "$what: extraction differs"; head -20 unzip.out diff.out >&2
  fi
}

# ---- sources ----
mkdir -p src/docs/img src/deep/er/est src/emptydir
printf 'hello kelvora\r\n' > src/hello.txt
: > src/empty.txt
printf 'blanks\n' > "src/my file.txt"
python3 -c "open('src/docs/readme.txt','w').write(''.join('line %d of a compressible text\n' % i for i in range(30000)))"
python3 -c "import random; random.seed(5); open('src/docs/img/noise.bin','wb').write(bytes(random.getrandbits(8) for _ in range(400000)))"
printf 'deep\n' > src/deep/er/est/leaf.txt
printf 'upper\n' > src/UPPER.TXT

# ---- every level ----
for level in 0 1 2 3 4 5 6 7 8 9; do
  cli a "lv$level.zip" -l "$level" src; expect_rc 0 $? "level $level written"
  check_archive "lv$level.zip" "level $level"
  check_extract "lv$level.zip" src "level $level"
done
# Level 0 stores, the others deflate.
python3 - <<'EOF' && pass "methods follow the level" || fail "methods follow the level"
import zipfile
for level in range(10):
    for i in zipfile.ZipFile('lv%d.zip' % level).infolist():
        if i.filename.endswith('/'):
            continue
        want = zipfile.ZIP_STORED if level == 0 else zipfile.ZIP_DEFLATED
        assert i.compress_type == want, (level, i.filename, i.compress_type)
EOF

# ---- encryption ----
for level in 0 6; do
  cli a "enc$level.zip" -l "$level" -p 'se cret' src; expect_rc 0 $? "encrypted level $level written"
  check_archive "enc$level.zip" "encrypted level $level" -P 'se cret'
  check_extract "enc$level.zip" src "encrypted level $level" -P 'se cret'
  if unzip -tq -P wrong "enc$level.zip" >/dev/null 2>&1; then fail "encrypted level $level: a wrong password passes"; else pass "encrypted level $level: a wrong password fails"; fi
done

# ---- prefix ----
cli a prefix.zip --prefix 'top\sub' src; expect_rc 0 $? "prefix written"
check_archive prefix.zip "prefix"
first_two=$(unzip -Z1 prefix.zip | head -2 | tr '\n' ' ')
[ "$first_two" = "top/ top/sub/ " ] && pass "prefix: one directory entry per level first" || fail "prefix: first entries are '$first_two'"
outside=$(unzip -Z1 prefix.zip | grep -cv '^top/sub/')
[ "$outside" = 1 ] && pass "prefix: everything below top/sub/ but top/ itself" || fail "prefix: $outside members outside top/sub/"
rm -rf x; mkdir x; unzip -q prefix.zip -d x && diff -r src x/top/sub/src >/dev/null && pass "prefix: extracted bytes equal" || fail "prefix: extraction differs"

# ---- filter ----
cli a filter.zip --filter '.txt;.bin' src; expect_rc 0 $? "filter written"
check_archive filter.zip "filter"
unzip -Z1 filter.zip | grep -v '/$' | grep -Ev '\.(txt|bin)$' && fail "filter: a member without the suffixes" || pass "filter: only matching files"
unzip -Z1 filter.zip | grep -q 'UPPER.TXT' && fail "filter: the suffix matched in another case" || pass "filter: suffixes are case-sensitive"

# ---- appending ----
cli a app.zip src/docs; expect_rc 0 $? "append: first write"
cp app.zip app_before.zip
cli a app.zip src/hello.txt src/deep; expect_rc 0 $? "append: second write"
check_archive app.zip "append"
python3 - <<'EOF' && pass "append: old members byte-identical, new ones added" || fail "append: members"
import zipfile
before = zipfile.ZipFile('app_before.zip'); after = zipfile.ZipFile('app.zip')
raw = lambda z, i: open(z.filename, 'rb').read()[i.header_offset:i.header_offset + 30 + len(i.filename) + len(i.extra) + i.compress_size]
for i in before.infolist():
    j = after.getinfo(i.filename)
    assert raw(before, i)[30:] == raw(after, j)[30:], i.filename
names = set(after.namelist())
assert {'hello.txt', 'deep/er/est/leaf.txt'} <= names, names
EOF
cli a app.zip src/hello.txt; expect_rc 1 $? "append: a name already in the archive is refused"
check_archive app.zip "append after the refused name"

printf 'this is not a zip archive\n' > notzip.zip; cp notzip.zip notzip.orig
cli a notzip.zip src/hello.txt; expect_rc 2 $? "append to a file that is no ZIP archive"
cmp -s notzip.zip notzip.orig && pass "no ZIP: the file is unchanged" || fail "no ZIP: the file was changed"
head -c 3000 lv6.zip > cut.zip; cp cut.zip cut.orig
cli a cut.zip src/hello.txt; expect_rc 2 $? "append to a cut archive"
cmp -s cut.zip cut.orig && pass "cut archive: unchanged" || fail "cut archive: changed"

# Archives without members (Python's, Info-ZIP's after deleting the only member, one with a
# comment) take additions; an end record claiming a member it lacks is refused and kept.
python3 - <<'EOF'
import zipfile
with zipfile.ZipFile('empty_py.zip', 'w'):
    pass
with zipfile.ZipFile('empty_comment.zip', 'w') as z:
    z.comment = b'kept comment'
open('empty_claims.zip', 'wb').write(b'PK\5\6' + bytes(4) + b'\1\0\1\0' + bytes(10))
EOF
printf 'only\n' > only.txt; zip -q -X empty_infozip.zip only.txt; zip -q -d empty_infozip.zip only.txt; rm only.txt
for e in empty_py empty_infozip empty_comment; do
  cli a $e.zip src/hello.txt src/deep; expect_rc 0 $? "add to an empty archive: $e"
  check_archive $e.zip "add to an empty archive: $e"
  names=$(unzip -Z1 $e.zip | sort | tr '\n' ' ')
  [ "$names" = "deep/er/ deep/er/est/ deep/er/est/leaf.txt hello.txt " ] && pass "$e: the new members" || fail "$e: members $names"
done
[ "$(python3 -c "import zipfile; print(zipfile.ZipFile('empty_comment.zip').comment.decode())")" = "kept comment" ] \
  && pass "add to an empty archive: the comment is kept" || fail "add to an empty archive: the comment is lost"
cp empty_claims.zip empty_claims.orig
cli a empty_claims.zip src/hello.txt; expect_rc 2 $? "add to an end record claiming a member"
cmp -s empty_claims.zip empty_claims.orig && pass "claiming end record: unchanged" || fail "claiming end record: changed"

cli a missing.zip src/hello.txt src/nothing-here; expect_rc 1 $? "a missing input is reported"
check_archive missing.zip "archive beside a missing input"

# ---- linked folders and long paths ----
mkdir -p links/a; printf 'x\n' > links/a/f.txt; ln -s .. links/a/up
cli a links.zip links; expect_rc 0 $? "a folder with a link back up"
[ "$(unzip -Z1 links.zip | sort | tr '\n' ' ')" = "links/a/ links/a/f.txt links/a/up/ " ] \
  && pass "links: the linked folder is stored, not walked" || fail "links: $(unzip -Z1 links.zip | wc -l) entries"
long=long/$(printf 'd%.0s' $(seq 1 120))/$(printf 'e%.0s' $(seq 1 120))
mkdir -p "$long"; printf 'deep\n' > "$long/too-long.txt"; printf 'short\n' > long/short.txt
cli a long.zip long; expect_rc 1 $? "a path longer than 259 characters is reported"
check_archive long.zip "beside a path that is too long"
unzip -Z1 long.zip | grep -q 'too-long' && fail "long: a cut name was stored" || pass "long: no cut name stored"
unzip -Z1 long.zip | grep -q 'long/short.txt' && pass "long: the short path is stored" || fail "long: short.txt missing"

# ---- command line ----
cli a; expect_rc 2 $? "no archive: usage"
cli a bad.zip -l 12 src; expect_rc 2 $? "level 12: usage"
cli a bad.zip --prefix ../up src; expect_rc 2 $? "prefix leaving the archive: usage"
[ ! -e bad.zip ] && pass "refused command lines write nothing" || fail "a refused command line wrote bad.zip"

# ---- 65535 members and more ----
mkdir many
python3 -c "
for i in range(66000): open('many/f%05d.txt' % i, 'w').close()"
cli a many.zip -l 0 many; expect_rc 0 $? "66000 members written"
check_archive many.zip "66000 members"
[ "$(unzip -Z1 many.zip | wc -l)" = 66000 ] && pass "66000 members listed" || fail "66000 members: $(unzip -Z1 many.zip | wc -l) listed"
rm -rf many

# ---- a member of more than 4 GiB ----
free_kb=$(df -Pk . | awk 'NR==2{print $4}')
if [ "${KELVORA_SKIP_ZIP64:-0}" = 1 ] || [ "$free_kb" -lt 1048576 ]; then
  echo "skipped: zip64 member (set KELVORA_SKIP_ZIP64=0 and keep 1 GiB free)"
else
  mkdir big
  truncate -s 4294968296 big/zeros.bin   # 4 GiB + 1000 bytes, sparse
  printf 'tail' | dd of=big/zeros.bin bs=1 seek=4294968000 conv=notrunc status=none
  cli a big.zip -l 1 big; expect_rc 0 $? "zip64 member written"
  check_archive big.zip "zip64 member"
  python3 - <<'EOF' && pass "zip64 member: size and CRC" || fail "zip64 member: size and CRC"
import zipfile, zlib
i = zipfile.ZipFile('big.zip').getinfo('big/zeros.bin')
assert i.file_size == 4294968296, i.file_size
crc = 0
with open('big/zeros.bin', 'rb') as f:
    while True:
        b = f.read(1 << 24)
        if not b: break
        crc = zlib.crc32(b, crc)
assert i.CRC == crc, (hex(i.CRC), hex(crc))
EOF
  rm -rf big
fi

echo "interop: $FAILS failure(s)"
[ "$FAILS" = 0 ]
