// Situation answers: status, authorisation block and the walk over the event blocks.
#include <cstdint>
#include <string>

#include "ComumFuzz.h"
#include "LeituraFuzz.h"
#include "platform/UnXml.h"
#include "processing/UnComandosSql.h"
#include "processing/UnFuncoesCTe.h"
#include "processing/UnLeituraRespostas.h"

namespace L = UnLeituraRespostas;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dados, size_t tamanho) {
  UnXml::XmlDocumento doc;
  if (!LeituraFuzz::CarregaResposta(doc, dados, tamanho)) return 0;
  LeituraFuzz::Le([&] {
    const std::string status = L::LeStatus(doc);
    const L::ProtocoloLido protocolo = L::LeProtocolo(doc);
    if (protocolo.sStatus == "100")
      VERIFICA(ComumFuzz::AspasFechadas(
          UnComandosSql::MontaGravaAutorizacaoSituacao(status, protocolo, 1)));
  });
  LeituraFuzz::Le([&] {
    if (const auto cancelamento = L::LeCancelamento(doc)) {
      VERIFICA(!cancelamento->sProtocolo.empty());
      VERIFICA(ComumFuzz::AspasFechadas(
          UnComandosSql::MontaGravaCancelamentoSituacao(*cancelamento, 1)));
    }
  });
  return 0;
}
