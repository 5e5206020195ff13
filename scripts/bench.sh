#!/usr/bin/env bash
# Builds the monitor and its benchmark (Release) and runs the benchmark on this machine.
# Arguments go to the benchmark (for instance --only=passo,vazao); see its usage text.
# The memory run through a server needs the Firebird server on 127.0.0.1:3050: it is started
# here when it is not running, and stopped again afterwards.
set -euo pipefail
cd "$(dirname "$0")/.."
RAIZ=$(pwd)
bash scripts/instala-dependencias.sh
cmake -S . -B build-medicao -G Ninja -DCMAKE_BUILD_TYPE=Release -DMONITOR_TESTES=OFF \
  -DMONITOR_BENCH=ON >/dev/null
cmake --build build-medicao -j "$(nproc)" --target medicao_monitor
if ! (exec 3<>/dev/tcp/127.0.0.1/3050) 2>/dev/null; then
  bash scripts/servidor-firebird.sh start
  trap 'bash "$RAIZ/scripts/servidor-firebird.sh" stop' EXIT
fi
echo "machine: $(nproc) cores,$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2-)," \
  "$(awk '/MemTotal/ {printf "%.0f GiB", $2 / 1048576}' /proc/meminfo)," \
  "load average $(cut -d' ' -f1-3 /proc/loadavg)"
build-medicao/bench/medicao_monitor "$@"
