#include "processing/UnArquivosMantidos.h"

namespace UnArquivosMantidos {

bool TArquivosMantidos::Registra(const std::string& caminho,
                                 std::optional<int64_t> ultimaGravacao) {
  const auto [i, novo] = mantidos_.insert_or_assign(caminho, ultimaGravacao);
  (void)i;
  return novo;
}

bool TArquivosMantidos::Inalterado(const std::string& caminho,
                                   std::optional<int64_t> ultimaGravacao) const {
  const auto i = mantidos_.find(caminho);
  return i != mantidos_.end() && ultimaGravacao && i->second == ultimaGravacao;
}

}  // namespace UnArquivosMantidos
