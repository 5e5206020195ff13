// Lot-number and receipt answers: content to plain values and the statements built from them.
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
    const std::string lote = L::LeNumeroLote(doc).sNumeroLote;
    const std::string recibo = L::RetornaNomeRecibo(lote);
    VERIFICA(recibo.size() == 15 + 8);
    const int32_t numero = L::ConverteNumeroLote(lote);
    VERIFICA(numero >= 0);
    VERIFICA(UnFuncoesCTe::EhNumeroDecimal(lote));
    VERIFICA(ComumFuzz::AspasFechadas(UnComandosSql::MontaGravaNumeroLote(1, numero)));
  });
  LeituraFuzz::Le([&] {
    const L::ReciboLido recibo = L::LeRecibo(doc);
    const std::string sql = recibo.bTemInfRec ? UnComandosSql::MontaGravaRecibo(recibo, 1)
                                              : UnComandosSql::MontaGravaStatusRecibo(recibo.sStatus, 1);
    VERIFICA(ComumFuzz::AspasFechadas(sql));
  });
  return 0;
}
