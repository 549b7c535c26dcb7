#!/usr/bin/env bash
# Sets up a machine for Kelvora and builds it: Debian packages, the outside libraries
# (built once into a versioned prefix outside the repository), then the CMake build in build/.
# Quick when everything is already there.
set -euo pipefail
HERE=$(cd "$(dirname "$0")/.." && pwd)
BUILD="${KELVORA_BUILD:-$HERE/build}"
bash "$HERE/scripts/install-packages.sh"
DEPS=$(bash "$HERE/scripts/build-deps.sh")
# ccache lets several build trees (worktrees, clean clones) share their objects.
LAUNCHER=""
if command -v ccache >/dev/null 2>&1; then
  LAUNCHER=ccache
  export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(dirname "$HERE")}" CCACHE_NOHASHDIR=1
fi
if [ ! -f "$BUILD/build.ninja" ] || ! grep -q "KELVORA_DEPS:PATH=$DEPS\$" "$BUILD/CMakeCache.txt" 2>/dev/null \
   || ! grep -q "CMAKE_CXX_COMPILER_LAUNCHER:STRING=$LAUNCHER\$" "$BUILD/CMakeCache.txt" 2>/dev/null; then
  cmake -S "$HERE" -B "$BUILD" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$HERE/cmake/mingw-w64-x86_64.cmake" \
    -DKELVORA_DEPS="$DEPS" -DCMAKE_C_COMPILER_LAUNCHER="$LAUNCHER" -DCMAKE_CXX_COMPILER_LAUNCHER="$LAUNCHER" >/dev/null
fi
# Show only what the compilers say, not ninja's progress lines; fail when the build fails.
cmake --build "$BUILD" -- -j"$(nproc)" > "$BUILD/build.log" 2>&1 || { grep -v '^\[' "$BUILD/build.log" | tail -n 60; exit 1; }
grep -v '^\[' "$BUILD/build.log" | grep -v '^ninja: no work to do' || true
