#!/usr/bin/env bash
# Builds the outside libraries (minizip with mztools, bzip2, expat, libarchive) from Debian's
# source packages with the mingw-w64 cross compiler into a versioned prefix outside the
# repository, and prints that prefix. zlib comes from libz-mingw-w64-dev.
# Idempotent: when the prefix for this recipe exists, it only prints it.
set -euo pipefail
RECIPE=r2   # raise when the build options below change
ROOT="${KELVORA_DEPS_ROOT:-${XDG_CACHE_HOME:-$HOME/.cache}/kelvora}"
STAMP="$ROOT/deps-$RECIPE.path"
if [ -f "$STAMP" ] && [ -f "$(cat "$STAMP")/.complete" ]; then cat "$STAMP"; exit 0; fi
mkdir -p "$ROOT"
# Several build trees may set up at once: one builds, the others wait and then reuse its prefix.
exec 9>"$ROOT/deps-$RECIPE.lock"
flock 9
if [ -f "$STAMP" ] && [ -f "$(cat "$STAMP")/.complete" ]; then cat "$STAMP"; exit 0; fi
HERE=$(cd "$(dirname "$0")/.." && pwd)
CC=x86_64-w64-mingw32-gcc-posix
AR=x86_64-w64-mingw32-ar
log() { echo "build-deps: $*" >&2; }

SRC="$ROOT/src-$RECIPE"; rm -rf "$SRC"; mkdir -p "$SRC"

# Fetch one source package: the newest version first, then every other listed version
# (a version that lives only in the security suite may fail to download).
fetch() {
  local name=$1 v
  for v in $(apt-cache showsrc "$name" 2>/dev/null | awk '/^Version:/{print $2}' | sort -Vr); do
    if (cd "$SRC" && apt-get source -qq "$name=$v" >/dev/null 2>&1); then
      echo "$v" > "$SRC/$name.version"; return 0
    fi
    log "could not fetch $name=$v, trying an older version"
  done
  log "no source of $name; run scripts/install-packages.sh first"; return 1
}
log "fetching sources into $SRC"
for n in minizip bzip2 expat libarchive; do fetch $n; done
ver() { cat "$SRC/$1.version"; }
dir_of() { local v=$(ver "$1"); v=${v#*:}; v=${v%-*}; echo "$SRC/$1-$v"; }
D_MINIZIP=$(dir_of minizip); D_BZIP2=$(dir_of bzip2); D_EXPAT=$(dir_of expat); D_ARCHIVE=$(dir_of libarchive)
V_MINIZIP=$(ver minizip); V_BZIP2=$(ver bzip2); V_EXPAT=$(ver expat); V_ARCHIVE=$(ver libarchive)
clean() { echo "$1" | tr ':+~' '___'; }
PREFIX="$ROOT/mingw64-posix-static-$RECIPE-minizip$(clean "$V_MINIZIP")-bzip2$(clean "$V_BZIP2")-expat$(clean "$V_EXPAT")-libarchive$(clean "$V_ARCHIVE")"
rm -rf "$PREFIX"; mkdir -p "$PREFIX/include" "$PREFIX/lib"

log "minizip"
mz="$D_MINIZIP"; [ -f "$mz/unzip.c" ] || mz="$D_MINIZIP/contrib/minizip"
# minizip 1.1 forces NOUNCRYPT in unzip.c; the program reads traditionally encrypted entries.
sed -i '/#define NOUNCRYPT/d' "$mz/unzip.c"
mkdir -p "$SRC/obj-minizip"
for f in ioapi iowin32 unzip zip mztools; do
  $CC -O2 -c "$mz/$f.c" -o "$SRC/obj-minizip/$f.o"
done
$AR rcs "$PREFIX/lib/libminizip.a" "$SRC"/obj-minizip/*.o
mkdir -p "$PREFIX/include/minizip"
cp "$mz"/{ioapi.h,iowin32.h,unzip.h,zip.h,mztools.h,crypt.h} "$PREFIX/include/minizip/"

log "bzip2"
mkdir -p "$SRC/obj-bzip2"
for f in blocksort huffman crctable randtable compress decompress bzlib; do
  $CC -O2 -D_FILE_OFFSET_BITS=64 -c "$D_BZIP2/$f.c" -o "$SRC/obj-bzip2/$f.o"
done
$AR rcs "$PREFIX/lib/libbz2.a" "$SRC"/obj-bzip2/*.o
cp "$D_BZIP2/bzlib.h" "$PREFIX/include/"

TC="$HERE/cmake/mingw-w64-x86_64.cmake"
log "expat"
ex="$D_EXPAT"; [ -f "$ex/CMakeLists.txt" ] || ex="$D_EXPAT/expat"
cmake -S "$ex" -B "$SRC/build-expat" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$TC" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$PREFIX" -DEXPAT_SHARED_LIBS=OFF \
  -DEXPAT_BUILD_TOOLS=OFF -DEXPAT_BUILD_EXAMPLES=OFF -DEXPAT_BUILD_TESTS=OFF -DEXPAT_BUILD_DOCS=OFF \
  -DEXPAT_DTD=OFF >/dev/null
cmake --build "$SRC/build-expat" >/dev/null
cmake --install "$SRC/build-expat" >/dev/null

log "libarchive (about two minutes)"
cmake -S "$D_ARCHIVE" -B "$SRC/build-archive" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$TC" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$PREFIX" \
  -DBUILD_SHARED_LIBS=OFF -DENABLE_TEST=OFF -DENABLE_TAR=OFF -DENABLE_CPIO=OFF -DENABLE_CAT=OFF \
  -DENABLE_OPENSSL=OFF -DENABLE_LIBB2=OFF -DENABLE_LZ4=OFF -DENABLE_LZO=OFF -DENABLE_LZMA=OFF \
  -DENABLE_ZSTD=OFF -DENABLE_LIBXML2=OFF -DENABLE_EXPAT=OFF -DENABLE_PCREPOSIX=OFF -DENABLE_CNG=OFF \
  -DENABLE_ICONV=OFF -DENABLE_ACL=OFF -DENABLE_XATTR=OFF -DENABLE_MBEDTLS=OFF -DENABLE_NETTLE=OFF \
  -DBZIP2_INCLUDE_DIR="$PREFIX/include" -DBZIP2_LIBRARY_RELEASE="$PREFIX/lib/libbz2.a" \
  -DBZIP2_LIBRARIES="$PREFIX/lib/libbz2.a" >/dev/null
cmake --build "$SRC/build-archive" --target archive_static >/dev/null
cp "$SRC/build-archive/libarchive/libarchive_static.a" "$PREFIX/lib/libarchive.a" 2>/dev/null || \
  cp "$SRC"/build-archive/libarchive/libarchive*.a "$PREFIX/lib/libarchive.a"
cp "$D_ARCHIVE/libarchive/archive.h" "$D_ARCHIVE/libarchive/archive_entry.h" "$PREFIX/include/"
# libarchive's own test archives (uuencoded) serve as read-only test data for later formats
mkdir -p "$PREFIX/testdata/libarchive"
cp "$D_ARCHIVE"/libarchive/test/*.uu "$PREFIX/testdata/libarchive/" 2>/dev/null || true

cat > "$PREFIX/VERSIONS.txt" <<V
zlib        $(dpkg-query -W -f='${Version}' libz-mingw-w64-dev) (Debian package libz-mingw-w64-dev)
minizip     $V_MINIZIP (Debian source package minizip)
bzip2       $V_BZIP2 (Debian source package bzip2)
expat       $V_EXPAT (Debian source package expat)
libarchive  $V_ARCHIVE (Debian source package libarchive)
V
touch "$PREFIX/.complete"
echo "$PREFIX" > "$STAMP"
rm -rf "$SRC/build-archive" "$SRC/build-expat"
log "done: $PREFIX"
echo "$PREFIX"
