#!/usr/bin/env bash
# The maker's signature of the updater it publishes: ECDSA over P-256 with SHA-256, the DER
# signature beside the file as FILE.sig (what `openssl dgst -sha256 -sign` writes).
#   bash scripts/assina-atualizador.sh chave FOLDER        makes FOLDER/privada.pem (kept by the
#                                                          maker, never in the repository) and
#                                                          FOLDER/publica.pem (what the monitor
#                                                          carries: resources/, or the build's
#                                                          MONITOR_CHAVE_ATUALIZADOR)
#   bash scripts/assina-atualizador.sh assina KEY.pem FILE writes FILE.sig and checks it
set -euo pipefail

recusa_no_repositorio() {  # a folder
  local topo
  topo=$(git -C "$1" rev-parse --show-toplevel 2>/dev/null) || return 0
  # Inside a checkout only where git ignores it (a build folder).
  git -C "$topo" check-ignore -q "$(cd "$1" && pwd)/privada.pem" && return 0
  echo "refused: $1 lies in the repository $topo, where a private key must never be" >&2
  rmdir "$1" 2>/dev/null || true
  exit 2
}

chave() {
  local pasta=$1
  mkdir -p "$pasta"
  recusa_no_repositorio "$pasta"
  if [ -e "$pasta/privada.pem" ]; then
    echo "refused: $pasta/privada.pem exists already" >&2
    exit 2
  fi
  (umask 077 && openssl ecparam -name prime256v1 -genkey -noout -out "$pasta/privada.pem")
  openssl pkey -in "$pasta/privada.pem" -pubout -out "$pasta/publica.pem"
}

assina() {
  local chave=$1 arquivo=$2
  openssl dgst -sha256 -sign "$chave" -out "$arquivo.sig" "$arquivo"
  openssl pkey -in "$chave" -pubout | openssl dgst -sha256 -verify /dev/stdin \
    -signature "$arquivo.sig" "$arquivo" >/dev/null
}

case "${1:-}" in
  chave) [ $# -eq 2 ] || { echo "usage: $0 chave FOLDER" >&2; exit 2; }; chave "$2" ;;
  assina) [ $# -eq 3 ] || { echo "usage: $0 assina KEY.pem FILE" >&2; exit 2; }; assina "$2" "$3" ;;
  *) echo "usage: $0 chave FOLDER | assina KEY.pem FILE" >&2; exit 2 ;;
esac
