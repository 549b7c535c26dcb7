#!/usr/bin/env bash
# Screenshots of the main window into docs/screenshots/: the flat view and the folder view of a
# demo archive, a name search (the Find dialog and the row it found), the progress dialog over
# the window during an extraction, and the command-line help window. Makes the archives the shots open (once, in the build tree), then hands the shot
# names to scripts/screenshots.sh, which builds, starts Xvfb and photographs each one.
#   scripts/screenshots-app.sh                 all five
#   scripts/screenshots-app.sh help-window     only the shots named
set -euo pipefail
HERE=$(cd "$(dirname "$0")/.." && pwd)
BUILD="${KELVORA_BUILD:-$HERE/build}"
WORK="$BUILD/shots"
mkdir -p "$WORK"
command -v python3 >/dev/null || { echo "screenshots-app: python3 is missing" >&2; exit 1; }

if [ ! -f "$WORK/demo.zip" ]; then
  python3 - "$WORK/demo.zip" <<'PY'
import random, sys, zipfile
random.seed(5)
when = (2024, 4, 18, 9, 30, 0)
words = "archive folder member extract compress list tree search window status".split()
def text(lines):
    return "".join(" ".join(random.choice(words) for _ in range(10)) + "\n" for _ in range(lines)).encode()
files = {
    "README.md": text(40), "LICENSE.txt": text(25), "CHANGES.txt": text(120),
    "docs/manual.txt": text(900), "docs/quickstart.txt": text(150), "docs/faq.html": text(300),
    "docs/img/logo.png": bytes(random.getrandbits(8) for _ in range(5400)),
    "docs/img/screen-flat.png": bytes(random.getrandbits(8) for _ in range(48000)),
    "docs/img/screen-folder.png": bytes(random.getrandbits(8) for _ in range(51000)),
    "src/main.c": text(300), "src/window.c": text(700), "src/window.h": text(60),
    "src/engine/listing.c": text(500), "src/engine/extract.c": text(650), "src/engine/create.c": text(420),
    "src/engine/zipio.h": text(80), "tests/run_tests.bat": text(12), "tests/data/sample.dat": bytes(20000),
}
with zipfile.ZipFile(sys.argv[1], "w", zipfile.ZIP_DEFLATED) as z:
    for name, data in files.items():
        z.writestr(zipfile.ZipInfo(name, when), data, compress_type=zipfile.ZIP_DEFLATED)
PY
fi
if [ ! -f "$WORK/big.zip" ]; then
  python3 - "$WORK/big.zip" <<'PY'
import os, sys, zipfile
when = (2024, 4, 18, 9, 30, 0)
with zipfile.ZipFile(sys.argv[1], "w", zipfile.ZIP_STORED) as z:
    for i in range(60):
        z.writestr(zipfile.ZipInfo("media/part%02d/recording%03d.bin" % (i // 10, i), when), os.urandom(4 << 20))
PY
fi

winpath() { echo "Z:$1" | tr '/' '\\'; }
export KELVORA_SHOT_ARCHIVE=$(winpath "$WORK/demo.zip")
export KELVORA_SHOT_BIG_ARCHIVE=$(winpath "$WORK/big.zip")
if [ $# -gt 0 ]; then NAMES=("$@"); else NAMES=(main-flat-view main-folder-view main-search-hit main-extraction-progress help-window); fi
status=0
bash "$HERE/scripts/screenshots.sh" "${NAMES[@]}" || status=$?
# The extraction shot writes into Wine's temporary folder: leave nothing behind.
rm -rf "${WINEPREFIX:-$BUILD/wineprefix}"/drive_c/users/*/AppData/Local/Temp/kelvora_shot_extract \
       "${WINEPREFIX:-$BUILD/wineprefix}"/drive_c/users/*/Temp/kelvora_shot_extract 2>/dev/null || true
exit "$status"
