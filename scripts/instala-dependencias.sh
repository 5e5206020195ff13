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
  # The Windows program under Wine: the 64-bit Wine and the x86-64 cross compiler for where
  # 32-bit programs do not run, Wine's tools for the test bridge fbclient.dll (and the 32-bit C
  # library for its 32-bit build); fonts, a virtual screen and screenshots. The 32-bit Wine
  # itself comes unpacked, not installed (raiz-i386.sh), and so does the qemu-i386 that runs it
  # on kernels that run 64-bit code only (qemu-i386.sh).
  g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev
  wine wine64 wine64-tools libwine-dev gcc-multilib
  fonts-wine xvfb xauth x11-apps x11-utils imagemagick locales
)

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
