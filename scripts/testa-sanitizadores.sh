#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UBSan (gcc) in build-asan and runs the whole
# ctest suite there, the end-to-end tests' monitor-cte included. Any report fails the run.
# Needs the Firebird server on 127.0.0.1 that scripts/testa.sh starts.
set -euo pipefail
cd "$(dirname "$0")/.."
RAIZ=$(pwd)
NUCLEOS=$(nproc 2>/dev/null || echo 2)
CONSTRUCAO="$RAIZ/build-asan"

echo "== Sanitizer build (address + undefined)"
cmake -S . -B "$CONSTRUCAO" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMONITOR_SANITIZADORES=ON -DMONITOR_AVISOS_ERRO=ON \
  -DMONITOR_BENCH=OFF >/dev/null
cmake --build "$CONSTRUCAO" -j "$NUCLEOS"

# The Firebird libraries are not instrumented; only their own leaks are suppressed. The leak
# check skips thread-local storage: this toolchain's LeakSanitizer crashes on the dynamic TLS
# blocks the Firebird engine leaves behind ("Tracer caught signal 11"), and nothing of the
# monitor keeps memory in thread-locals.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:log_path="$CONSTRUCAO/relatorios/asan"
export LSAN_OPTIONS=suppressions="$RAIZ/tests/lsan.supp":print_suppressions=0:use_tls=0
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1:log_path="$CONSTRUCAO/relatorios/ubsan"
rm -rf "$CONSTRUCAO/relatorios"
mkdir -p "$CONSTRUCAO/relatorios"

echo "== Tests under the sanitizers"
resultado=0
ctest --test-dir "$CONSTRUCAO" --output-on-failure -j "$NUCLEOS" || resultado=$?

# A report in a child process (the monitor of the end-to-end tests) need not fail its test.
if compgen -G "$CONSTRUCAO/relatorios/*" >/dev/null; then
  echo "Sanitizer reports:"
  for relatorio in "$CONSTRUCAO"/relatorios/*; do
    echo "--- $relatorio"
    head -60 "$relatorio"
  done
  resultado=1
fi
if [ "$resultado" -ne 0 ]; then
  echo "Sanitizers: FALHOU"
  exit "$resultado"
fi
echo "Sanitizers: nenhum relatorio"
