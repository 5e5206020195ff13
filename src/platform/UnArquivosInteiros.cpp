#include "platform/UnArquivos.h"

namespace UnArquivos {

bool GravaPorTemporario(const std::string& temporario, const std::string& destino,
                        const std::string& conteudo, bool bSubstitui) {
  ApagaArquivo(temporario);
  const bool bMovido = GravaArquivoNovo(temporario, conteudo) &&
                       (bSubstitui ? MoveArquivoSubstituindo(temporario, destino)
                                   : MoveArquivo(temporario, destino));
  if (bMovido) return true;
  ApagaArquivo(temporario);
  return false;
}

}  // namespace UnArquivos
