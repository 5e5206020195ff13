#include "shell/UnAjustesCiclo.h"

#include <cstdlib>
#include <string>

namespace UnAjustesCiclo {

namespace {

// The variable's whole number of milliseconds within the bounds, else `padrao`.
int64_t Milissegundos(const char* variavel, int64_t minimo, int64_t padrao) {
  const char* valor = std::getenv(variavel);
  if (!valor || !*valor) return padrao;
  char* fim = nullptr;
  const long long ms = std::strtoll(valor, &fim, 10);
  return *fim == '\0' && ms >= minimo && ms <= 86400000 ? ms : padrao;
}

}  // namespace

int RetornaIntervaloCiclo() {
  return static_cast<int>(Milissegundos("QUELVIX_MONITOR_INTERVALO_MS", 100, INTERVALO_CICLO_MS));
}

bool ObservacaoLigada() {
  const char* valor = std::getenv("QUELVIX_MONITOR_SEM_OBSERVADOR");
  return !valor || std::string(valor) != "1";
}

int64_t RetornaEsperaSeparar() {
  return Milissegundos("QUELVIX_MONITOR_SEPARA_MS", 0, ESPERA_SEPARAR_MS);
}

int64_t RetornaEsperaRetomada() {
  return Milissegundos("QUELVIX_MONITOR_RETOMA_MS", 0, ESPERA_RETOMADA_MS);
}

}  // namespace UnAjustesCiclo
