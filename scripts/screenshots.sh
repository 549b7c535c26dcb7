#!/usr/bin/env bash
# Saves screenshots of the program's dialogs into docs/screenshots/<name>.png.
# Builds (scripts/setup.sh, build/ unless KELVORA_BUILD says otherwise), starts a private Xvfb,
# opens each shot with the driver kelvora_shots in a Wine virtual desktop (so that frames are
# decorated) and photographs the shot's window.
#   scripts/screenshots.sh                      every shot the driver knows
#   scripts/screenshots.sh progress-expanded    only the shots named
set -euo pipefail
HERE=$(cd "$(dirname "$0")/.." && pwd)
BUILD="${KELVORA_BUILD:-$HERE/build}"
OUT="${KELVORA_SHOTS_OUT:-$HERE/docs/screenshots}"
[ "${KELVORA_SHOTS_NO_BUILD:-0}" = 1 ] || bash "$HERE/scripts/setup.sh"
DRIVER="$BUILD/bin/kelvora_shots.exe"
[ -f "$DRIVER" ] || { echo "screenshots: $DRIVER is missing" >&2; exit 1; }
mkdir -p "$OUT"
WORK=$(mktemp -d)
export KELVORA_OWN_DISPLAY=1
. "$HERE/scripts/winenv.sh"
kv_env_start "$BUILD"
trap 'kv_env_stop; rm -rf "$WORK"' EXIT

if [ $# -gt 0 ]; then
  NAMES=("$@")
else
  wine "$DRIVER" --list "$(winepath -w "$WORK/names")" >/dev/null 2>&1
  mapfile -t NAMES < <(tr -d '\r' < "$WORK/names")
fi

failed=0
for name in "${NAMES[@]}"; do
  ready="$WORK/$name.ready"
  wine explorer "/desktop=kelvora-shots,1280x800" "$DRIVER" "$name" "$(winepath -w "$ready")" >"$WORK/$name.log" 2>&1 &
  pid=$!
  for _ in $(seq 1 300); do
    [ -f "$ready" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if [ ! -f "$ready" ]; then
    echo "screenshots: $name did not open a window" >&2
    cat "$WORK/$name.log" >&2
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    failed=1
    continue
  fi
  read -r x y w h < <(tr -d '\r' < "$ready")
  import -window root -crop "${w}x${h}+${x}+${y}" +repage "$OUT/$name.png"
  rm -f "$ready"
  for _ in $(seq 1 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  echo "saved $OUT/$name.png"
done
exit "$failed"
