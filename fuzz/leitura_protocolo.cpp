// Processing-result answers: lot status, the document's protocol and the authorisation change.
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
    VERIFICA(ComumFuzz::AspasFechadas(UnComandosSql::MontaPesquisaChave("CTe" + protocolo.sChave)));
    VERIFICA(ComumFuzz::AspasFechadas(UnComandosSql::MontaGravaProtocolo(status, protocolo, 1)));
  });
  return 0;
}
