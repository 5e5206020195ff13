#!/usr/bin/env bash
# Starts or stops the Firebird server the network tests use: 127.0.0.1:3050, SYSDBA "tollbrisk".
set -euo pipefail
CONF=/etc/firebird/3.0/firebird.conf
SEGURANCA=/var/lib/firebird/3.0/system/security3.fdb
SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO="sudo"

inicia() {
  $SUDO sed -i -E 's/^#?\s*RemoteBindAddress\s*=.*/RemoteBindAddress = 127.0.0.1/' "$CONF"
  grep -q '^RemoteBindAddress' "$CONF" || echo 'RemoteBindAddress = 127.0.0.1' | $SUDO tee -a "$CONF" >/dev/null
  para || true
  # The password lives in the server's security database; embedded access needs no server.
  echo "create or alter user SYSDBA password 'tollbrisk' using plugin Srp; commit;" \
    | $SUDO -u firebird isql-fb -q -user SYSDBA "$SEGURANCA" >/dev/null 2>&1 \
    || echo "create or alter user SYSDBA password 'tollbrisk' using plugin Srp; commit;" | $SUDO isql-fb -q -user SYSDBA "$SEGURANCA"
  $SUDO chown firebird:firebird "$SEGURANCA"
  $SUDO su -s /bin/sh firebird -c '/usr/sbin/firebird >/dev/null 2>&1 &'
  for _ in $(seq 1 50); do
    if (exec 3<>/dev/tcp/127.0.0.1/3050) 2>/dev/null; then return 0; fi
    sleep 0.2
  done
  echo "Firebird server did not start on 127.0.0.1:3050" >&2
  return 1
}

para() {
  $SUDO pkill -x firebird 2>/dev/null || true
  for _ in $(seq 1 50); do pgrep -x firebird >/dev/null || return 0; sleep 0.1; done
  $SUDO pkill -9 -x firebird 2>/dev/null || true
}

case "${1:-}" in
  start) inicia ;;
  stop) para ;;
  *) echo "usage: $0 start|stop" >&2; exit 2 ;;
esac
