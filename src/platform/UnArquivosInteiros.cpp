#include "platform/UnArquivos.h"

namespace UnArquivos {

bool GravaPorTemporario(const std::string& temporario, const std::string& destino,
                        const std::string& conteudo, bool bSubstitui) {
  ApagaArquivo(temporario);
  if (GravaArquivoNovo(temporario, conteudo) &&
      (bSubstitui ? MoveArquivoSubstituindo(temporario, destino) : MoveArquivo(temporario, destino)))
    return true;
  ApagaArquivo(temporario);
  return false;
}

}  // namespace UnArquivos
