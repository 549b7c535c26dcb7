#!/usr/bin/env bash
# Builds bench_listview_insert and runs it under Wine on a private Xvfb display.
# Arguments go to the program: [rows=100000] [naive rows=2000] [batch size=4096].
set -euo pipefail
HERE=$(cd "$(dirname "$0")/.." && pwd)
BUILD="${KELVORA_BUILD:-$HERE/build-bench}"
DEPS=$(bash "$HERE/scripts/build-deps.sh")
cmake -S "$HERE" -B "$BUILD" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$HERE/cmake/mingw-w64-x86_64.cmake" \
  -DKELVORA_DEPS="$DEPS" >/dev/null
cmake --build "$BUILD" --target bench_listview_insert -j2
. "$HERE/scripts/winenv.sh"
kv_env_start "$BUILD"
trap kv_env_stop EXIT
wine "$BUILD/bin/bench_listview_insert.exe" "$@"
