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
  # The Windows program under Wine: a 32-bit Wine where the kernel runs 32-bit programs, the
  # 64-bit one and the x86-64 cross compiler where it does not; fonts, a virtual screen and
  # screenshots.
  g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev
  wine wine64 wine32:i386 fonts-wine xvfb xauth x11-apps x11-utils imagemagick locales
)
faltam=()
for p in "${PACOTES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || faltam+=("$p")
done
if [ ${#faltam[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  dpkg --print-foreign-architectures | grep -qx i386 || $SUDO dpkg --add-architecture i386
  # A mirror caught mid-sync fails one index of the update; the install is what must succeed,
  # so it is tried once more after a fresh update before giving up.
  for tentativa in 1 2 3; do
    $SUDO apt-get update -qq || true
    $SUDO apt-get install -y -qq --no-install-recommends "${faltam[@]}" && break
    [ "$tentativa" -lt 3 ] || exit 1
    sleep 15
  done
fi
