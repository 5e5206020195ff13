#include "platform/UnExecucaoRegistrada.h"

#include "platform/UnArquivos.h"

namespace UnExecucaoRegistrada {

bool ExecutaRenomeando(const std::function<bool()>& inicia, const std::string& temporario,
                       const std::string& definitivo) {
  // No child can finish the step for a process that ends: started twice beats never.
  const bool iniciado = inicia();
  UnArquivos::MoveArquivoSubstituindo(temporario, definitivo);
  return iniciado;
}

}  // namespace UnExecucaoRegistrada
