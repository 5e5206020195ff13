#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer, UBSan) in build-fuzz and runs each for
# a bounded time on its seed corpus. Fails on any crash, leak, timeout or sanitizer report.
#   FUZZ_SEGUNDOS   seconds per target (default 7)
#   FUZZ_ALVOS      targets to run (default: all)
set -euo pipefail
cd "$(dirname "$0")/.."
RAIZ=$(pwd)
NUCLEOS=$(nproc 2>/dev/null || echo 2)
SEGUNDOS=${FUZZ_SEGUNDOS:-7}
CONSTRUCAO="$RAIZ/build-fuzz"

echo "== Fuzz build (clang, address + undefined)"
CC=clang CXX=clang++ cmake -S . -B "$CONSTRUCAO" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DMONITOR_FUZZ=ON -DMONITOR_AVISOS_ERRO=ON -DMONITOR_SO_NUCLEO=ON -DMONITOR_TESTES=OFF >/dev/null
cmake --build "$CONSTRUCAO" -j "$NUCLEOS"

ALVOS=${FUZZ_ALVOS:-"leitura_lote leitura_protocolo leitura_situacao leitura_evento conteudo_cte mascara ini texto_data numero_decimal"}
GERADO="$CONSTRUCAO/corpus-gerado"
rm -rf "$GERADO"
"$CONSTRUCAO/fuzz/gera_corpus" "$GERADO"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
falhas=()
for alvo in $ALVOS; do
  trabalho="$CONSTRUCAO/corpus/$alvo"
  achados="$CONSTRUCAO/achados/$alvo"
  mkdir -p "$trabalho" "$achados" "$GERADO/$alvo"
  registro="$CONSTRUCAO/fuzz-$alvo.log"
  sementes=("$GERADO/$alvo")
  [ -d "fuzz/corpus/$alvo" ] && sementes+=("fuzz/corpus/$alvo")
  if "$CONSTRUCAO/fuzz/fuzz_$alvo" -max_total_time="$SEGUNDOS" -rss_limit_mb=1024 \
       -detect_leaks=1 -timeout=10 -artifact_prefix="$achados/" -print_final_stats=1 \
       "$trabalho" "${sementes[@]}" >"$registro" 2>&1 &&
     ! grep -qE 'ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error:|SUMMARY: ' "$registro"; then
    execucoes=$(grep -oE 'Done [0-9]+ runs in [0-9]+ second' "$registro" | tail -1)
    echo "fuzz_$alvo: ${execucoes:-?} (corpus $(ls "$trabalho" | wc -l) entradas)"
  else
    echo "fuzz_$alvo: FALHOU (registro em $registro, entrada em $achados/)"
    tail -40 "$registro"
    falhas+=("$alvo")
  fi
done

if [ ${#falhas[@]} -gt 0 ]; then
  echo "Fuzzing: falharam ${falhas[*]}"
  exit 1
fi
echo "Fuzzing: todos os alvos sem falha"
