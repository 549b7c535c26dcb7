#!/usr/bin/env bash
# Sets up, builds and starts Kelvora on a demo archive (or on the files given).
# Without a display it starts its own Xvfb, saves a screenshot to build/screenshot.png and ends.
set -euo pipefail
HERE=$(cd "$(dirname "$0")/.." && pwd)
BUILD="${KELVORA_BUILD:-$HERE/build}"
bash "$HERE/scripts/setup.sh"
DEMO="$BUILD/demo/demo.zip"
if [ ! -f "$DEMO" ]; then
  rm -rf "$BUILD/demo"; mkdir -p "$BUILD/demo/src/docs/img" "$BUILD/demo/src/src"
  (cd "$BUILD/demo/src" && printf 'Kelvora demo archive\r\n' > README.txt &&
   seq 1 2000 > docs/numbers.txt && printf 'int main(void) { return 0; }\n' > src/main.c &&
   head -c 4096 /dev/urandom > docs/img/noise.bin && zip -qr ../demo.zip .)
fi
ARGS=("$@"); [ ${#ARGS[@]} -gt 0 ] || ARGS=("$DEMO")
export KELVORA_OWN_DISPLAY=0
[ -n "${DISPLAY:-}" ] || export KELVORA_OWN_DISPLAY=1
. "$HERE/scripts/winenv.sh"
kv_env_start "$BUILD"
trap kv_env_stop EXIT
WINARGS=()
for a in "${ARGS[@]}"; do
  if [ -e "$a" ]; then WINARGS+=("$(winepath -w "$(readlink -f "$a")" 2>/dev/null)"); else WINARGS+=("$a"); fi
done
if [ "$KELVORA_OWN_DISPLAY" = 1 ]; then
  wine "$BUILD/bin/kelvora.exe" "${WINARGS[@]}" &
  pid=$!
  sleep "${KELVORA_SHOT_DELAY:-6}"
  import -window root "$BUILD/screenshot.png" && echo "screenshot: $BUILD/screenshot.png"
  kill "$pid" 2>/dev/null || true
else
  wine "$BUILD/bin/kelvora.exe" "${WINARGS[@]}"
fi
