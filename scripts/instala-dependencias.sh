#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the demo need.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
PACOTES=(
  build-essential cmake ninja-build pkg-config
  firebird3.0-server firebird3.0-server-core firebird3.0-utils firebird-dev libfbclient2
  libpugixml-dev libcurl4-openssl-dev libssl-dev openssl
  googletest libgtest-dev
  g++-mingw-w64-i686-posix mingw-w64-i686-dev
  python3 clang libclang-rt-14-dev
  # The Windows program under Wine: the 64-bit Wine and the x86-64 cross compiler for where the
  # 32-bit one cannot be had, Wine's tools for the test bridge fbclient.dll, qemu for kernels
  # that run 64-bit code only; fonts, a virtual screen and screenshots.
  g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev
  wine wine64 wine64-tools libwine-dev qemu-user
  fonts-wine xvfb xauth x11-apps x11-utils imagemagick locales
)
# The 32-bit Wine the product runs under, and what the 32-bit test bridge is built and run with.
# They come from the i386 archive, which a mirror in the middle of a sync can leave out of step
# with the amd64 one: then the tests run on the x86-64 build and say so.
PACOTES_32=(wine32:i386 wine32-preloader:i386 libwine-dev:i386 libfbclient2:i386 gcc-multilib)

SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO="sudo"

faltando() {
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || echo "$p"
  done
}

# A mirror caught mid-sync fails one index of the update; the install is what must succeed,
# so it is tried again after a fresh update before giving up.
instala() {  # attempts, packages...
  local tentativas=$1 tentativa
  shift
  for tentativa in $(seq 1 "$tentativas"); do
    $SUDO apt-get update -qq || true
    $SUDO apt-get install -y -qq --no-install-recommends "$@" && return 0
    [ "$tentativa" -lt "$tentativas" ] && sleep 15
  done
  return 1
}

mapfile -t faltam < <(faltando "${PACOTES[@]}")
if [ ${#faltam[@]} -gt 0 ]; then
  instala 3 "${faltam[@]}"
fi
mapfile -t faltam < <(faltando "${PACOTES_32[@]}")
if [ ${#faltam[@]} -gt 0 ]; then
  dpkg --print-foreign-architectures | grep -qx i386 || $SUDO dpkg --add-architecture i386
  instala 2 "${faltam[@]}" ||
    echo "instala-dependencias: the 32-bit packages (${faltam[*]}) could not be installed;" \
      "the Windows tests will run on the x86-64 build" >&2
fi
