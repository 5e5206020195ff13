#include "shell/UnAjustesOcultos.h"

#include <cstdlib>
#include <string>

namespace UnAjustesOcultos {

int64_t Milissegundos(const char* variavel, int64_t padrao) {
  const char* valor = std::getenv(variavel);
  if (!valor || !*valor) return padrao;
  char* fim = nullptr;
  const long long lido = std::strtoll(valor, &fim, 10);
  return *fim == '\0' && lido >= 0 ? static_cast<int64_t>(lido) : padrao;
}

}  // namespace UnAjustesOcultos
