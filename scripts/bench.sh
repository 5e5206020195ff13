#!/usr/bin/env bash
# Builds the monitor and its benchmark (Release) and runs the benchmark on this machine.
# Arguments go to the benchmark (for instance --only=passo,vazao); see its usage text.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/instala-dependencias.sh
cmake -S . -B build-medicao -G Ninja -DCMAKE_BUILD_TYPE=Release -DMONITOR_TESTES=OFF \
  -DMONITOR_BENCH=ON >/dev/null
cmake --build build-medicao -j "$(nproc)" --target medicao_monitor
echo "machine: $(nproc) cores,$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2-)," \
  "$(awk '/MemTotal/ {printf "%.0f GiB", $2 / 1048576}' /proc/meminfo)," \
  "load average $(cut -d' ' -f1-3 /proc/loadavg)"
exec build-medicao/bench/medicao_monitor "$@"
