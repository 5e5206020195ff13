#!/usr/bin/env bash
# A Firebird 4 server for the network tests: Debian 13's packages, with what apt's resolver says
# they need, unpacked into a root of this checkout's own (build-fb4) and run there in a mount
# namespace of its own. Nothing is installed on the machine, and its Firebird 3 stays as it is.
# The server listens on 127.0.0.1:3051 with SYSDBA "tollbrisk", as the Firebird 3 one does.
#   bash scripts/firebird4.sh prepara        downloads and unpacks (once); fails, saying why,
#                                            where the root cannot be made
#   bash scripts/firebird4.sh start | stop   starts the server and keeps its process id; stops
#                                            that one process
#   bash scripts/firebird4.sh executa CMD... runs CMD in the root (Firebird 4's tools)
#   bash scripts/firebird4.sh cliente PROG...  runs a program of this machine with the root's C
#                                            library first, so that it loads Firebird 4's own
#                                            libfbclient
set -euo pipefail
RAIZ=$(cd "$(dirname "$0")/.." && pwd)
PASTA="$RAIZ/build-fb4"
R="$PASTA/raiz"
PORTA=3051
SUITE=trixie
PACOTES=(firebird4.0-server firebird4.0-utils libfbclient2)
PID="$PASTA/servidor.pid"
FB=/usr/lib/firebird/4.0/bin
SEGURANCA=/var/lib/firebird/4.0/system/security4.fdb
# Lock files of their own: the Firebird 3 server and engine keep theirs in /tmp/firebird.
export FIREBIRD_LOCK=/tmp/firebird4-travas
source "$RAIZ/scripts/apt-privado.sh"
source "$RAIZ/scripts/processos.sh"

# The namespace: /proc, /dev and /tmp of the machine, and this checkout at its own path, so
# that databases and test programs have the same names inside and out.
comando_raiz() {
  local usuario=()
  [ "$(id -u)" -eq 0 ] || usuario=(-r)
  COMANDO=(unshare "${usuario[@]}" -m --propagation private bash -c '
    r=$1; shift
    for d in /proc /dev /tmp "'"$RAIZ"'"; do mkdir -p "$r$d"; mount --bind "$d" "$r$d"; done
    exec chroot "$r" "$@"' entra "$R" "$@")
}
executa() { comando_raiz "$@"; "${COMANDO[@]}"; }

prepara() {
  local marca="$R/.pacotes"
  [ "$(cat "$marca" 2>/dev/null)" = "$SUITE ${PACOTES[*]}" ] && return 0
  unshare -m true 2>/dev/null || unshare -r -m true 2>/dev/null ||
    { echo "Firebird 4: no mount namespace can be made here" >&2; return 1; }
  rm -rf "$PASTA"
  mkdir -p "$R"
  apt_privado "$PASTA" "$SUITE" || return 1
  apt-get "${APT_PRIVADO[@]}" -qq update ||
    { echo "Firebird 4: the $SUITE archive cannot be reached" >&2; return 1; }
  apt-get "${APT_PRIVADO[@]}" -qq -y --download-only --no-install-recommends install "${PACOTES[@]}" ||
    { echo "Firebird 4: the $SUITE packages cannot be had" >&2; return 1; }
  local deb
  for deb in "$PASTA"/apt/cache/archives/*.deb; do dpkg-deb -x "$deb" "$R"; done
  rm -rf "$PASTA/apt/cache"
  # What the release's base files would lay out: the merged /usr.
  for d in bin sbin lib lib64; do [ -e "$R/$d" ] || ln -s "usr/$d" "$R/$d"; done
  printf 'RemoteServicePort = %s\nRemoteBindAddress = 127.0.0.1\n' "$PORTA" \
    >"$R/etc/firebird/4.0/service-port.conf"
  # The security database as Debian's installation makes it, with SYSDBA's password for Srp.
  mkdir -p "$R$(dirname "$SEGURANCA")"
  echo "create database '$SEGURANCA';" | executa "$FB/isql-fb" -q >/dev/null 2>&1
  executa "$FB/gfix" -user SYSDBA -write async "$SEGURANCA"
  executa "$FB/isql-fb" -q -user SYSDBA -i /usr/share/firebird/4.0/security.sql "$SEGURANCA" >/dev/null 2>&1
  echo "create or alter user SYSDBA password 'tollbrisk' using plugin Srp; commit;" |
    executa "$FB/isql-fb" -q -user SYSDBA "$SEGURANCA" >/dev/null 2>&1
  executa "$FB/gfix" -user SYSDBA -write sync "$SEGURANCA"
  echo "$SUITE ${PACOTES[*]}" >"$marca"
}

atende() { (exec 3<>"/dev/tcp/127.0.0.1/$PORTA") 2>/dev/null; }

inicia() {
  prepara
  para
  mkdir -p "$FIREBIRD_LOCK"
  # A session of its own, so that the test run's signals reach it only through stop.
  setsid bash "$0" executa "$FB/firebird" >"$PASTA/servidor.log" 2>&1 </dev/null &
  echo $! >"$PID"
  for _ in $(seq 1 50); do atende && return 0; sleep 0.2; done
  echo "Firebird 4 server did not start on 127.0.0.1:$PORTA" >&2
  cat "$PASTA/servidor.log" >&2
  return 1
}

para() { para_pelo_pid "$PID"; }

case "${1:-}" in
  prepara) prepara ;;
  start) inicia ;;
  stop) para ;;
  cliente) shift; exec "$R/usr/lib64/ld-linux-x86-64.so.2" \
      --library-path "$R/usr/lib/x86_64-linux-gnu:/usr/lib/x86_64-linux-gnu" "$@" ;;
  # The same process all the way to the command: its id is the one start keeps.
  executa) shift; comando_raiz "$@"; exec "${COMANDO[@]}" ;;
  *) echo "usage: $0 prepara | start | stop | executa COMMAND... | cliente PROGRAM..." >&2; exit 2 ;;
esac
