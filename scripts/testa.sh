#!/usr/bin/env bash
# Builds everything and runs every test: Linux build against real Firebird (embedded engine
# and a server on 127.0.0.1), and the Windows cross build.
set -euo pipefail
cd "$(dirname "$0")/.."
RAIZ=$(pwd)
NUCLEOS=$(nproc 2>/dev/null || echo 2)

bash scripts/instala-dependencias.sh

echo "== Linux build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMONITOR_AVISOS_ERRO=ON
cmake --build build -j "$NUCLEOS"

echo "== Windows cross build"
cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE="$RAIZ/cmake/mingw-i686.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DMONITOR_SO_NUCLEO=ON -DMONITOR_TESTES=OFF -DMONITOR_AVISOS_ERRO=ON
cmake --build build-win -j "$NUCLEOS"

echo "== Firebird server on 127.0.0.1"
bash scripts/servidor-firebird.sh start
trap 'bash "$RAIZ/scripts/servidor-firebird.sh" stop' EXIT
export MONITOR_SERVIDOR_OBRIGATORIO=1
export MONITOR_SCRIPT_SERVIDOR="$RAIZ/scripts/servidor-firebird.sh"

echo "== Tests"
ctest --test-dir build --output-on-failure -j "$NUCLEOS"
bash scripts/testa-sanitizadores.sh
bash scripts/testa-fuzz.sh
bash scripts/testa-windows.sh
# Last, so that its line closes the run: the network tests against a Firebird 4 server too.
bash scripts/testa-firebird4.sh
