#!/usr/bin/env bash
# The network tests again, against a Firebird 4 server (scripts/firebird4.sh): first through
# the machine's client library, then, for the tests that run in one process, through Firebird
# 4's own. Its last line says what ran ("Firebird 4: N passed, N failed"); where the server's
# root cannot be made here, it says so and does not fail the run for it.
set -euo pipefail
cd "$(dirname "$0")/.."
RAIZ=$(pwd)
# The tests that reach the database through a server on 127.0.0.1.
REDE='^(TestaServidorFirebird\.|Estacoes\.|Confiabilidade\.LinhaPresa|MonitorConsole\.Servidor|IniHostil\.ServidorComPorta)'

echo "== Firebird 4 server in a root of its own"
INICIO=$(date +%s)
if ! bash scripts/firebird4.sh prepara; then
  echo "Firebird 4: not tried, its server could not be prepared here (see above)"
  exit 0
fi
bash scripts/firebird4.sh start
trap 'bash "$RAIZ/scripts/firebird4.sh" stop' EXIT
export MONITOR_SERVIDOR_OBRIGATORIO=1 MONITOR_SERVIDOR_FIREBIRD=127.0.0.1/3051
export MONITOR_SCRIPT_SERVIDOR="$RAIZ/scripts/firebird4.sh"

echo "== Network tests against Firebird 4, client of this machine"
set +e
ctest --test-dir build -R "$REDE" --output-on-failure -j 1 | tee build/firebird4.log
CODIGO=${PIPESTATUS[0]}
set -e
TOTAL=$(sed -n 's/.* tests failed out of \([0-9]*\)$/\1/p' build/firebird4.log | tail -1)
FALHOS=$(sed -n 's/.*, \([0-9]*\) tests failed out of.*/\1/p' build/firebird4.log | tail -1)
APROVADOS=$((${TOTAL:-0} - ${FALHOS:-0}))

echo "== Network tests against Firebird 4, its own client (libfbclient 4)"
for caso in "testes_servidor TestaServidorFirebird.*" \
            "testes_confiabilidade Confiabilidade.LinhaPresa*" \
            "testes_hostis IniHostil.ServidorComPorta*"; do
  set -- $caso
  set +e
  bash scripts/firebird4.sh cliente "build/tests/$1" --gtest_filter="$2" --gtest_color=no \
    >build/firebird4-cliente.log 2>&1
  saida=$?
  set -e
  grep -E '^\[ +(OK|FAILED|PASSED) +\]' build/firebird4-cliente.log || true
  aprovados=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\{0,1\}\..*/\1/p' build/firebird4-cliente.log)
  falhos=$(sed -n 's/^\[  FAILED  \] \([0-9]*\) tests\{0,1\}, listed below:.*/\1/p' build/firebird4-cliente.log)
  if [ "$saida" -ne 0 ] && [ -z "$falhos" ]; then cat build/firebird4-cliente.log; falhos=1; fi
  APROVADOS=$((APROVADOS + ${aprovados:-0}))
  FALHOS=$((${FALHOS:-0} + ${falhos:-0}))
  [ "$saida" -eq 0 ] || CODIGO=1
done
echo "Firebird 4 stage: $(($(date +%s) - INICIO)) s"
echo "Firebird 4: $APROVADOS passed, ${FALHOS:-0} failed"
exit "$CODIGO"
