#!/usr/bin/env bash
# Starts or stops the Firebird 3 server the network tests use: 127.0.0.1:3050, SYSDBA
# "tollbrisk". The server this script starts is stopped by its process id, kept in
# build-servidor/, never by its name: another server of the machine is left alone.
set -euo pipefail
RAIZ=$(cd "$(dirname "$0")/.." && pwd)
CONF=/etc/firebird/3.0/firebird.conf
SEGURANCA=/var/lib/firebird/3.0/system/security3.fdb
PID="$RAIZ/build-servidor/firebird3.pid"
SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO="sudo"
source "$RAIZ/scripts/processos.sh"

atende() { (exec 3<>/dev/tcp/127.0.0.1/3050) 2>/dev/null; }

inicia() {
  $SUDO sed -i -E 's/^#?\s*RemoteBindAddress\s*=.*/RemoteBindAddress = 127.0.0.1/' "$CONF"
  grep -q '^RemoteBindAddress' "$CONF" || echo 'RemoteBindAddress = 127.0.0.1' | $SUDO tee -a "$CONF" >/dev/null
  para
  if atende; then
    echo "a Firebird server this script did not start answers on 127.0.0.1:3050: the tests use it" >&2
    return 0
  fi
  # The password lives in the server's security database; embedded access needs no server.
  echo "create or alter user SYSDBA password 'tollbrisk' using plugin Srp; commit;" \
    | $SUDO -u firebird isql-fb -q -user SYSDBA "$SEGURANCA" >/dev/null 2>&1 \
    || echo "create or alter user SYSDBA password 'tollbrisk' using plugin Srp; commit;" | $SUDO isql-fb -q -user SYSDBA "$SEGURANCA"
  $SUDO chown firebird:firebird "$SEGURANCA"
  mkdir -p "$(dirname "$PID")"
  $SUDO su -s /bin/sh firebird -c '/usr/sbin/firebird >/dev/null 2>&1 </dev/null & echo $!' >"$PID"
  for _ in $(seq 1 50); do
    if atende; then return 0; fi
    sleep 0.2
  done
  echo "Firebird server did not start on 127.0.0.1:3050" >&2
  return 1
}

para() { para_pelo_pid "$PID" "$SUDO"; }

case "${1:-}" in
  start) inicia ;;
  stop) para ;;
  *) echo "usage: $0 start|stop" >&2; exit 2 ;;
esac
