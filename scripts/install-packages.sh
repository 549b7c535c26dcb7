#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the benchmarks need.
# Quick when everything is already there.
set -euo pipefail
PKGS=(mingw-w64 gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix libz-mingw-w64-dev
      wine wine64 xvfb xauth x11-utils cmake ninja-build googletest dpkg-dev
      zip unzip libarchive-tools 7zip genisoimage python3 imagemagick ccache
      openssl python3-pefile)
missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
SUDO=""
[ "$(id -u)" = 0 ] || SUDO="sudo"
# deb-src entries so that the outside libraries can be built from Debian's sources
SRC=/etc/apt/sources.list.d/kelvora-src.sources
if [ ! -f "$SRC" ]; then
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources | $SUDO tee "$SRC" >/dev/null
  else
    grep -h '^deb ' /etc/apt/sources.list 2>/dev/null | sed 's/^deb /deb-src /' | $SUDO tee /etc/apt/sources.list.d/kelvora-src.list >/dev/null
  fi
  missing+=(__update__)
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "install-packages: installing ${missing[*]}"
  $SUDO apt-get -o DPkg::Lock::Timeout=900 update -qq
  real=()
  for p in "${missing[@]}"; do [ "$p" = __update__ ] || real+=("$p"); done
  if [ ${#real[@]} -gt 0 ]; then
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get -o DPkg::Lock::Timeout=900 install -y -qq --no-install-recommends "${real[@]}"
  fi
fi
