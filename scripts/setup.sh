#!/usr/bin/env bash
# Installs everything the build, the program and the tests need on Debian 12,
# and cross-builds libjpeg-turbo for Windows once. Does nothing when all of it
# is already there. Run as root (or with sudo available).
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
cache="$repo/.cache"
deps="$cache/mingw-deps"

packages=(
  cmake ninja-build python3 clang libclang-rt-14-dev
  mingw-w64 g++-mingw-w64-x86-64 libz-mingw-w64-dev nasm
  zlib1g-dev libjpeg62-turbo-dev libpng-dev libstb-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  wine wine64 fonts-wine xvfb xauth x11-utils
  pngcheck libjpeg-turbo-progs imagemagick xclip python3-pil desktop-base
  nsis unzip osslsigncode openssl
  dpkg-dev ca-certificates
)

sudo_() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

src_list=/etc/apt/sources.list.d/snaplark-deb-src.sources
if [ ! -f "$deps/lib/libjpeg.a" ] && ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ \
   && ! grep -qs '^deb-src ' /etc/apt/sources.list; then
  echo "setup: adding a deb-src entry for bookworm (libjpeg-turbo sources)"
  sudo_ tee "$src_list" >/dev/null <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  added_src=1
fi

if [ ${#missing[@]} -gt 0 ] || [ "${added_src:-0}" = 1 ]; then
  echo "setup: installing ${missing[*]:-(source index only)}"
  sudo_ apt-get update -qq
  [ ${#missing[@]} -gt 0 ] && sudo_ env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# libjpeg-turbo (the release-6b interface, JPEG_LIB_VERSION 62) has no Debian
# package for mingw: build Debian's own source statically, SIMD included.
if [ ! -f "$deps/lib/libjpeg.a" ]; then
  mkdir -p "$cache/src"
  cd "$cache/src"
  if ! ls libjpeg-turbo_*.dsc >/dev/null 2>&1; then
    apt-get source --download-only libjpeg-turbo >/dev/null 2>&1 || {
      sudo_ apt-get update -qq
      apt-get source --download-only libjpeg-turbo >/dev/null
    }
  fi
  dsc=$(ls libjpeg-turbo_*.dsc | head -n 1)
  tarball=$(ls libjpeg-turbo_*.orig.tar.gz | head -n 1)
  want=$(awk '/^Checksums-Sha256:/{f=1;next} /^[^ ]/{f=0} f && $3=="'"$tarball"'"{print $1}' "$dsc")
  have=$(sha256sum "$tarball" | cut -d' ' -f1)
  if [ -z "$want" ] || [ "$want" != "$have" ]; then
    echo "setup: checksum of $tarball does not match $dsc" >&2
    rm -f "$tarball"
    exit 1
  fi
  echo "setup: $tarball matches $dsc (sha256 $have)"
  rm -rf libjpeg-turbo-src && mkdir libjpeg-turbo-src
  tar xzf "$tarball" -C libjpeg-turbo-src --strip-components=1
  cmake -S libjpeg-turbo-src -B libjpeg-turbo-build -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_CROSSCOMPILING_EMULATOR= \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$deps" \
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF \
    -DWITH_JPEG8=OFF -DWITH_SIMD=ON -DREQUIRE_SIMD=ON -Wno-dev >/dev/null 2>&1
  cmake --build libjpeg-turbo-build --target jpeg-static >/dev/null
  mkdir -p "$deps/lib" "$deps/include"
  cp libjpeg-turbo-build/libjpeg.a "$deps/lib/"
  cp libjpeg-turbo-build/jconfig.h libjpeg-turbo-src/jpeglib.h \
     libjpeg-turbo-src/jmorecfg.h libjpeg-turbo-src/jerror.h "$deps/include/"
  rm -rf libjpeg-turbo-build libjpeg-turbo-src
  echo "setup: libjpeg-turbo cross-built into $deps"
fi
