#include "processing/UnFalhasImpressao.h"

namespace UnFalhasImpressao {

Destino TFalhasImpressao::Falha(const std::string& chave, const std::string& protocolo,
                                int64_t agora, bool bPendenteHaUmDia) {
  Falha_& falha = falhas_.try_emplace({chave, protocolo}, Falha_{agora, false}).first->second;
  if (bPendenteHaUmDia || agora - falha.iDesde >= DESISTENCIA_MS) {
    Esquece(chave, protocolo);
    return Destino::Desiste;
  }
  if (agora - falha.iDesde >= AVISO_MS && !falha.bAvisada) {
    falha.bAvisada = true;
    return Destino::Avisa;
  }
  return Destino::Espera;
}

}  // namespace UnFalhasImpressao
