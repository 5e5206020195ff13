// Event answers: infEvento to plain values, the key looked up and the cancellation change.
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
    const L::EventoLido evento = L::LeEvento(doc);
    VERIFICA(ComumFuzz::AspasFechadas(UnComandosSql::MontaPesquisaChave("CTe" + evento.sChave)));
    VERIFICA(ComumFuzz::AspasFechadas(UnComandosSql::MontaGravaCancelamentoEvento(evento, 1)));
  });
  return 0;
}
