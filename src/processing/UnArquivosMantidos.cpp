#include "processing/UnArquivosMantidos.h"

namespace UnArquivosMantidos {

bool TArquivosMantidos::Registra(const std::string& caminho,
                                 std::optional<int64_t> ultimaGravacao, int64_t agora) {
  return mantidos_.insert_or_assign(caminho, Mantido{ultimaGravacao, agora}).second;
}

bool TArquivosMantidos::VistoHaPouco(const std::string& caminho, int64_t agora) const {
  const auto i = mantidos_.find(caminho);
  return i != mantidos_.end() && agora - i->second.iVistoEm < VERIFICACAO_MS;
}

bool TArquivosMantidos::Inalterado(const std::string& caminho,
                                   std::optional<int64_t> ultimaGravacao, int64_t agora) {
  const auto i = mantidos_.find(caminho);
  if (i == mantidos_.end() || !ultimaGravacao || i->second.iGravacao != ultimaGravacao)
    return false;
  i->second.iVistoEm = agora;
  return true;
}

}  // namespace UnArquivosMantidos
