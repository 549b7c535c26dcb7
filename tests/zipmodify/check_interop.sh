#!/usr/bin/env bash
# The Windows side rewrites archives in every way (the engine through test_zipmodify's Interop
# test, the console companion through d and rn); then the Linux tools check each result:
# unzip -t, bsdtar -t and a full bsdtar read, unzip -P on the encrypted ones against the source
# files, and Python's raw comparison with the archive before. Last, a rewrite into a folder that
# cannot be written and onto a full disk must leave the old archive as it was.
#
#   check_interop.sh FIXTURES OUTDIR KELVORA_CLI_EXE TEST_ZIPMODIFY_EXE
set -uo pipefail
FIX=${1:?fixture folder}
OUT=${2:?output folder}
CLI=${3:?kelvora-cli.exe}
TESTEXE=${4:?test_zipmodify.exe}
HERE=$(cd "$(dirname "$0")" && pwd)
ROOT=$(cd "$HERE/../.." && pwd)
RUN=(bash "$ROOT/scripts/wine-run.sh")
for tool in unzip bsdtar python3; do
  command -v $tool >/dev/null || { echo "check_interop: $tool is missing"; exit 77; }
done
winpath() { printf 'Z:%s' "$1" | tr '/' '\\'; }
fail=0
bad() { echo "FAIL: $*"; fail=1; }

rm -rf "$OUT"; mkdir -p "$OUT/engine" "$OUT/cli"

# ---- the engine: every kind of rewrite on every fixture ----
if ! KV_MODIFY_OUT=$(winpath "$OUT/engine") "${RUN[@]}" "$TESTEXE" --gtest_filter='Interop.*' >"$OUT/engine.log" 2>&1; then
  cat "$OUT/engine.log"; bad "the engine's rewrites failed on the Windows side"
fi

# ---- the console companion ----
names_under() {  # ARCHIVE PREFIX: the entries below PREFIX (folder entries too: they go with their folder), one per line
  python3 -c "import sys,zipfile; [print(n) for n in zipfile.ZipFile(sys.argv[1]).namelist() if n.startswith(sys.argv[2])]" "$1" "$2"
}
cli() {  # NAME FIXTURE MANIFEST-FIELDS -- ARGS...
  local name=$1 fixture=$2; shift 2
  local fields=()
  while [ "$1" != -- ]; do fields+=("$1"); shift; done; shift
  cp "$FIX/$fixture" "$OUT/cli/$name"
  if ! "${RUN[@]}" "$CLI" "$1" "$(winpath "$OUT/cli/$name")" "${@:2}" >"$OUT/cli/$name.log" 2>&1; then
    cat "$OUT/cli/$name.log"; bad "kelvora-cli $* failed"
  fi
  local IFS=$'\t'
  printf '%s\t%s\t%s\n' "$name" "$fixture" "${fields[*]}" >>"$OUT/cli/manifest.txt"
}
: >"$OUT/cli/manifest.txt"
dfields=(); while read -r n; do dfields+=(D "$n"); done < <(names_under "$FIX/iz_comment.zip" docs/)
cli d_folder_iz_comment.zip iz_comment.zip "${dfields[@]}" -- d docs/
cli d_iz_encrypted.zip iz_encrypted.zip D hello.txt -- d hello.txt
rfields=(); while read -r n; do rfields+=(R "$n" "papers/${n#docs/}"); done < <(names_under "$FIX/iz_encrypted.zip" docs/)
cli rn_folder_iz_encrypted.zip iz_encrypted.zip "${rfields[@]}" -- rn docs/ papers/
cli rn_py_comments.zip py_comments.zip R top.txt renamed.txt -- rn top.txt renamed.txt
cli d_py_zip64_small.zip py_zip64_small.zip D one.txt -- d one.txt
cli rn_iz_stored.zip iz_stored.zip R "my file.txt" "your file.txt" -- rn "my file.txt" "your file.txt"

# ---- the Linux tools read every result ----
# Each tool is asked only about archives whose source it reads itself (unzip knows neither LZMA
# nor AES, for example).
declare -A reads
source_reads() {  # TOOL FIXTURE -> 0 when the tool reads the fixture
  local key="$1:$2"
  if [ -z "${reads[$key]:-}" ]; then
    case $1 in
      unzip) unzip -tqq -P secret "$FIX/$2" >/dev/null 2>&1 ;;
      list) bsdtar -tf "$FIX/$2" >/dev/null 2>&1 ;;
      read) bsdtar -xOf "$FIX/$2" --passphrase secret >/dev/null 2>&1 ;;
    esac
    reads[$key]=$?
  fi
  return "${reads[$key]}"
}
count=0
for dir in "$OUT/engine" "$OUT/cli"; do
  [ -f "$dir/manifest.txt" ] || { bad "no manifest in $dir"; continue; }
  while IFS=$'\t' read -r after before _; do
    z="$dir/$after"
    [ -f "$z" ] || { bad "missing $z"; continue; }
    count=$((count + 1))
    if source_reads unzip "$before"; then
      unzip -tqq -P secret "$z" >"$z.unzip" 2>&1 || { cat "$z.unzip"; bad "unzip -t: $z"; }
    fi
    if source_reads list "$before"; then
      bsdtar -tf "$z" >/dev/null 2>"$z.bsdtar" || { cat "$z.bsdtar"; bad "bsdtar -tf: $z"; }
    fi
    if source_reads read "$before"; then
      bsdtar -xOf "$z" --passphrase secret >/dev/null 2>"$z.bsdtar" || { cat "$z.bsdtar"; bad "bsdtar -x: $z"; }
    fi
  done <"$dir/manifest.txt"
done
[ "$count" -ge 50 ] || bad "only $count rewritten archives were found"

# Encrypted members decrypt to the source files, byte for byte.
for z in "$OUT"/engine/*iz_encrypted.zip "$OUT"/cli/*iz_encrypted.zip; do
  x=$(mktemp -d)
  unzip -qq -P secret "$z" -d "$x" || bad "unzip -P: $z"
  while IFS= read -r -d '' f; do
    rel=${f#"$x"/}
    src=$FIX/src/${rel#moved/}
    case $rel in papers/*) src=$FIX/src/docs/${rel#papers/} ;; renamed/*) src=$(find "$FIX/src" -name "$(basename "$rel")" | head -1) ;; esac
    [ -f "$src" ] || continue
    printf 'new content written by Kelvora\n' | cmp -s - "$f" && continue  # the replaced content
    cmp -s "$f" "$src" || bad "unzip -P: $rel of $z differs from its source"
  done < <(find "$x" -type f -print0)
  rm -rf "$x"
done

# Raw comparison with the archives before.
python3 "$HERE/fixtures.py" manifest "$FIX" "$OUT/engine" || bad "raw comparison (engine)"
python3 "$HERE/fixtures.py" manifest "$FIX" "$OUT/cli" || bad "raw comparison (kelvora-cli)"

# ---- a target that cannot be written ----
ro="$OUT/readonly"; mkdir -p "$ro"; cp "$FIX/py_comments.zip" "$ro/a.zip"
sum=$(sha256sum <"$ro/a.zip")
if chattr +i "$ro" 2>/dev/null; then
  "${RUN[@]}" "$CLI" d "$(winpath "$ro/a.zip")" top.txt >"$OUT/readonly.log" 2>&1
  rc=$?
  chattr -i "$ro"
  [ "$rc" = 1 ] || { cat "$OUT/readonly.log"; bad "read-only folder: exit code $rc, 1 expected"; }
  [ "$(sha256sum <"$ro/a.zip")" = "$sum" ] || bad "read-only folder: the archive changed"
  ls "$ro" | grep -q '\.tmp$' && bad "read-only folder: a temporary archive appeared"
else
  echo "note: chattr +i is not available here; the read-only folder case was not run"
fi

# ---- a disk that fills up while the new archive is written ----
mnt=$(mktemp -d)
if mount -t tmpfs -o size=1200k tmpfs "$mnt" 2>/dev/null; then
  cp "$FIX/iz_stored.zip" "$mnt/a.zip"
  sum=$(sha256sum <"$mnt/a.zip")
  "${RUN[@]}" "$CLI" d "$(winpath "$mnt/a.zip")" hello.txt >"$OUT/diskfull.log" 2>&1
  rc=$?
  [ "$rc" = 1 ] || { cat "$OUT/diskfull.log"; bad "full disk: exit code $rc, 1 expected"; }
  [ "$(sha256sum <"$mnt/a.zip")" = "$sum" ] || bad "full disk: the archive changed"
  [ -e "$mnt/a.zip.tmp" ] && bad "full disk: the partial temporary archive was left"
  umount "$mnt"
else
  echo "note: no tmpfs can be mounted here; the full-disk case was not run"
fi
rmdir "$mnt" 2>/dev/null

[ "$fail" = 0 ] && echo "check_interop: $count archives checked, all passed"
exit $fail
