#!/usr/bin/env bash
# Makes the view tests' archives (fixtures.py, with Python's zipfile and Info-ZIP zip) into the
# folder given as $1. Runs again only when the scripts changed.
set -euo pipefail
OUT=${1:?usage: make_fixtures.sh OUTDIR}
HERE=$(cd "$(dirname "$0")" && pwd)
STAMP="$OUT/.stamp"
SUM=$(cat "$HERE/make_fixtures.sh" "$HERE/fixtures.py" | sha256sum | cut -d' ' -f1)
if [ -f "$STAMP" ] && [ "$(cat "$STAMP")" = "$SUM" ]; then exit 0; fi
command -v zip >/dev/null 2>&1 || { echo "make_fixtures: zip is missing" >&2; exit 1; }
command -v python3 >/dev/null 2>&1 || { echo "make_fixtures: python3 is missing" >&2; exit 1; }
rm -rf "$OUT"; mkdir -p "$OUT"
python3 "$HERE/fixtures.py" "$OUT"
echo "$SUM" > "$STAMP"
