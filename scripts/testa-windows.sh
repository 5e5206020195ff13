#!/usr/bin/env bash
# Builds MonitorCTe.exe (32-bit, the product) and runs the Windows tests under Wine on a
# virtual screen: the platform contract suite against the Windows layer, the windows and the
# notice dialog, and the program end to end, against the Firebird server on 127.0.0.1 through
# the test bridge fbclient.dll.
set -euo pipefail
cd "$(dirname "$0")/.."
RAIZ=$(pwd)
source scripts/wine-comum.sh

entra_raiz_i386 scripts/testa-windows.sh "$@"

echo "== Windows build (32-bit)"
configura_windows build-win mingw-i686.cmake
cmake --build build-win -j "$NUCLEOS"

escolhe_wine
if [ "$PASTA_WINE" != build-win ]; then
  echo "== Windows build (x86-64, for Wine)"
  configura_windows build-win64 mingw-x86_64.cmake
  cmake --build build-win64 -j "$NUCLEOS"
fi
echo "== Test bridge fbclient.dll"
constroi_ponte_fbclient
# The Firebird server, a user of its own, writes the test databases into the prefix's temporary
# folder: where it cannot reach this checkout, the prefix of this run lives under /tmp.
if [ "$(id -u)" -eq 0 ] && ! runuser -u firebird -- test -x "$RAIZ/$PASTA_WINE" 2>/dev/null; then
  WINEPREFIX=$(mktemp -d /tmp/monitor-cte-wine.XXXXXX)
  chmod 755 "$WINEPREFIX"
  export WINEPREFIX
  trap 'rm -rf "$WINEPREFIX"' EXIT
fi

echo "== Windows tests under Wine"
# Wine's msxml keeps documents with undeclared prefixes, which Windows' MSXML refuses; the
# other malformed documents of that shared case run in XmlMsxml.MalFormadoFalhaComONome*.
# MONITOR_FILTRO_WINDOWS runs some tests alone (a GoogleTest pattern, "MonitorCTe.*").
FILTRO="${MONITOR_FILTRO_WINDOWS:-*}-Xml.ArquivoMalFormadoOuAusenteFalhaComONome"
SAIDA="$RAIZ/$PASTA_WINE/testes_win32.log"
# A bound on the whole run, emulated or not: a hung Wine ends the stage instead of the CI time.
LIMITE=$([ ${#EMULADOR[@]} -gt 0 ] && echo 2400 || echo 900)
INICIO=$(date +%s)
set +e
timeout --kill-after=30 "$LIMITE" "${EMULADOR[@]}" \
  xvfb-run -a -s "-screen 0 1400x900x24 -nolisten tcp" bash -c "
  source '$RAIZ/scripts/wine-comum.sh'
  prepara_prefixo
  # Folders the tests make, the server's user writes in.
  umask 000
  cd '$RAIZ/$PASTA_WINE'
  '$WINE' testes_win32.exe --gtest_color=no --gtest_filter='$FILTRO'
  codigo=\$?
  encerra_wine
  exit \$codigo" 2>&1 | tee "$SAIDA"
CODIGO=${PIPESTATUS[0]}
set -e
echo "Windows tests under Wine ($PASTA_WINE$([ ${#EMULADOR[@]} -gt 0 ] && echo ', emulated')):" \
  "$(($(date +%s) - INICIO)) s"
[ "$CODIGO" -ne 124 ] || echo "Windows tests stopped after ${LIMITE} s" >&2

APROVADOS=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\{0,1\}\..*/\1/p' "$SAIDA" | tail -1)
FALHOS=$(sed -n 's/^\[  FAILED  \] \([0-9]*\) tests\{0,1\}, listed below:.*/\1/p' "$SAIDA" | tail -1)
PULADOS=$(sed -n 's/^\[  SKIPPED \] \([0-9]*\) tests\{0,1\}, listed below:.*/\1/p' "$SAIDA" | tail -1)
# Which code ran: the 32-bit product, or the same sources built for x86-64.
ROTULO=$([ "$PASTA_WINE" = build-win ] && echo Windows32 || echo Windows64)
echo "$ROTULO: ${APROVADOS:-0} passed, ${FALHOS:-0} failed, ${PULADOS:-0} skipped$(
  [ ${#EMULADOR[@]} -gt 0 ] && echo ', emulated')"
if [ "$CODIGO" -ne 0 ] || [ -z "$APROVADOS" ]; then
  echo "Windows tests failed (exit $CODIGO)" >&2
  exit 1
fi
