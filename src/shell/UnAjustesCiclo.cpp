#include "shell/UnAjustesCiclo.h"

#include <cstdlib>
#include <string>

namespace UnAjustesCiclo {

int RetornaIntervaloCiclo() {
  const char* valor = std::getenv("QUELVIX_MONITOR_INTERVALO_MS");
  if (!valor || !*valor) return INTERVALO_CICLO_MS;
  char* fim = nullptr;
  const long ms = std::strtol(valor, &fim, 10);
  return *fim == '\0' && ms >= 100 && ms <= 86400000 ? static_cast<int>(ms) : INTERVALO_CICLO_MS;
}

bool ObservacaoLigada() {
  const char* valor = std::getenv("QUELVIX_MONITOR_SEM_OBSERVADOR");
  return !valor || std::string(valor) != "1";
}

}  // namespace UnAjustesCiclo
