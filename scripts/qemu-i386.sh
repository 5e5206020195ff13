#!/usr/bin/env bash
# qemu-i386 for kernels that run 64-bit code only: the static qemu-user of the backports suite of
# the machine's own Debian archive (the release's own, 7.2 on Debian 12, crashes the 32-bit
# Wine's explorer and windows), downloaded with apt files of this script's own and unpacked into
# build-qemu, never installed: the machine's sources and keys are only read.
#   bash scripts/qemu-i386.sh prepara   downloads and unpacks it (once); fails when it cannot
#   bash scripts/qemu-i386.sh caminho   prints the path of the unpacked qemu-i386
set -euo pipefail
RAIZ=$(cd "$(dirname "$0")/.." && pwd)
PASTA="$RAIZ/build-qemu"
QEMU="$PASTA/raiz/usr/bin/qemu-i386"
source "$RAIZ/scripts/apt-privado.sh"

prepara() {
  [ -x "$QEMU" ] && return 0
  rm -rf "$PASTA"
  mkdir -p "$PASTA/raiz"
  apt_privado "$PASTA" "@-backports" || { echo "qemu-i386: no archive to take it from" >&2; return 1; }
  local apt=("${APT_PRIVADO[@]}")
  apt-get "${apt[@]}" -qq update
  (cd "$PASTA/apt/cache/archives" && apt-get "${apt[@]}" -qq download qemu-user)
  dpkg-deb -x "$PASTA"/apt/cache/archives/qemu-user_*.deb "$PASTA/pacote"
  mkdir -p "$(dirname "$QEMU")"
  # Only the emulator of 32-bit x86 is kept; the package holds one for every machine.
  mv "$PASTA/pacote/usr/bin/qemu-i386" "$QEMU"
  rm -rf "$PASTA/pacote" "$PASTA/apt/cache"
  # A build of before 10 is the one that crashes: better the x86-64 fallback than that.
  "$QEMU" --version | head -1 | grep -Eq 'version ([1-9][0-9])\.' ||
    { echo "qemu-i386: backports has $("$QEMU" --version | head -1)" >&2; rm -f "$QEMU"; return 1; }
}

case "${1:-}" in
  prepara) prepara ;;
  caminho) echo "$QEMU" ;;
  *) echo "usage: $0 prepara | caminho" >&2; exit 2 ;;
esac
