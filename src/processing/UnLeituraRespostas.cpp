#include "processing/UnLeituraRespostas.h"

#include <limits>

#include "processing/UnFuncoesCTe.h"

namespace UnLeituraRespostas {

namespace {

inline constexpr const char* EVENTO_FIM_VARREDURA = "110112";

// The block, its event's infEvento and detEvento, and the event type.
struct BlocoEvento {
  UnXml::XmlElemento procEvento;
  UnXml::XmlElemento infEvento;
  UnXml::XmlElemento detEvento;
  std::string sTipo;
};

BlocoEvento LeBlocoEvento(const UnXml::XmlElemento& procEvento) {
  BlocoEvento bloco;
  bloco.procEvento = procEvento;
  bloco.infEvento = procEvento.ElementoFilho("eventoCTe").ElementoFilho("infEvento");
  bloco.detEvento = bloco.infEvento.ElementoFilho("detEvento");
  bloco.sTipo = bloco.infEvento.TextoFilho("tpEvento");
  return bloco;
}

}  // namespace

std::string RetornaFinal(const std::string& texto, size_t quantidade) {
  return texto.size() <= quantidade ? texto : texto.substr(texto.size() - quantidade);
}

std::string RetornaTrecho(const std::string& texto, size_t posicao, size_t quantidade) {
  if (posicao == 0 || posicao > texto.size()) return "";
  return texto.substr(posicao - 1, quantidade);
}

std::string RetornaChaveNome(const std::string& nome) {
  return nome.size() <= 8 ? "" : nome.substr(0, nome.size() - 8);
}

NomeLoteLido LeNomeLote(const std::string& nomeArquivo) {
  return {RetornaTrecho(nomeArquivo, 30, 9), RetornaTrecho(nomeArquivo, 40, 8)};
}

LoteLido LeNumeroLote(const UnXml::XmlDocumento& doc) {
  return {doc.ElementoDocumento().TextoFilho("NumeroLoteGerado")};
}

int32_t ConverteNumeroLote(const std::string& lote) {
  const std::string digitos = UnFuncoesCTe::Numero(lote);
  int64_t valor = 0;
  for (char c : digitos) {
    valor = valor * 10 + (c - '0');
    if (valor > std::numeric_limits<int32_t>::max())
      throw UnFuncoesCTe::EValorInvalido("'" + lote + "' is not a valid integer value");
  }
  return static_cast<int32_t>(valor);
}

std::string RetornaNomeRecibo(const std::string& lote) {
  return UnFuncoesCTe::PreencheZeros(lote, 15) + "-rec.xml";
}

ReciboLido LeRecibo(const UnXml::XmlDocumento& doc) {
  const UnXml::XmlElemento raiz = doc.ElementoDocumento();
  ReciboLido recibo;
  recibo.sStatus = raiz.TextoFilho("cStat");
  const UnXml::XmlElemento infRec = raiz.ElementoFilho("infRec");
  recibo.bTemInfRec = infRec.Existe();
  if (recibo.bTemInfRec) {
    recibo.sRecibo = infRec.TextoFilho("nRec");
    recibo.sDataRecebimento = UnFuncoesCTe::TextoData(infRec.TextoFilho("dhRecbto"));
    recibo.sTempoMedio = infRec.TextoFilho("tMed");
  }
  return recibo;
}

std::string LeStatus(const UnXml::XmlDocumento& doc) {
  return doc.ElementoDocumento().TextoFilho("cStat");
}

std::string LeMotivo(const UnXml::XmlDocumento& doc) {
  return UnFuncoesCTe::CortaTexto(doc.ElementoDocumento().TextoFilho("xMotivo"), MAXIMO_MOTIVO);
}

std::string LeAmbiente(const UnXml::XmlDocumento& doc) {
  const UnXml::XmlElemento raiz = doc.ElementoDocumento();
  const std::string ambiente = raiz.TextoFilho("tpAmb");
  if (!ambiente.empty()) return ambiente;
  const UnXml::XmlElemento protCTe = raiz.ElementoFilho("protCTe");
  const UnXml::XmlElemento infProt =
      protCTe.Existe() ? protCTe.ElementoFilho("infProt") : UnXml::XmlElemento();
  return infProt.Existe() ? infProt.TextoFilho("tpAmb") : "";
}

ProtocoloLido LeProtocolo(const UnXml::XmlDocumento& doc) {
  const UnXml::XmlElemento infProt =
      doc.ElementoDocumento().ElementoFilho("protCTe").ElementoFilho("infProt");
  ProtocoloLido protocolo;
  protocolo.sChave = infProt.TextoFilho("chCTe");
  protocolo.sDataProcessamento = UnFuncoesCTe::TextoData(infProt.TextoFilho("dhRecbto"));
  protocolo.sStatus = infProt.TextoFilho("cStat");
  protocolo.sProtocolo = infProt.TextoFilho("nProt");
  protocolo.sMotivo = UnFuncoesCTe::CortaTexto(infProt.TextoFilho("xMotivo"), MAXIMO_MOTIVO);
  return protocolo;
}

std::optional<CancelamentoLido> LeCancelamento(const UnXml::XmlDocumento& doc) {
  const UnXml::XmlElemento raiz = doc.ElementoDocumento();
  const UnXml::XmlElemento primeiro = raiz.ElementoFilho("procEventoCTe");
  if (!primeiro.Existe()) return std::nullopt;
  // The first block must be readable; it is visited again by the walk below.
  BlocoEvento bloco = LeBlocoEvento(primeiro);
  const size_t quantidade = raiz.QuantidadeFilhos();
  for (size_t i = 0; i < quantidade; ++i) {
    const UnXml::XmlElemento filho = raiz.Filho(i);
    if (filho.NomeLocal() != "procEventoCTe") continue;
    if (!filho.ElementoFilho("eventoCTe").Existe()) continue;
    bloco = LeBlocoEvento(filho);
    if (bloco.sTipo == EVENTO_CANCELAMENTO || bloco.sTipo == EVENTO_FIM_VARREDURA) break;
  }
  if (bloco.sTipo != EVENTO_CANCELAMENTO) return std::nullopt;
  CancelamentoLido cancelamento;
  // The authority's answer to the event holds the cancellation's own protocol and the time
  // it was registered; evCancCTe/nProt names the authorisation cancelled and dhEvento is the
  // taxpayer's clock, the only values left when the block carries no answer.
  const UnXml::XmlElemento retEventoCTe = bloco.procEvento.ElementoFilho("retEventoCTe");
  const UnXml::XmlElemento registro =
      retEventoCTe.Existe() ? retEventoCTe.ElementoFilho("infEvento") : UnXml::XmlElemento();
  if (registro.Existe()) {
    cancelamento.sProtocolo = registro.TextoFilho("nProt");
    cancelamento.sData = UnFuncoesCTe::TextoData(registro.TextoFilho("dhRegEvento"));
  } else {
    cancelamento.sProtocolo = bloco.detEvento.ElementoFilho("evCancCTe").TextoFilho("nProt");
    cancelamento.sData = UnFuncoesCTe::TextoData(bloco.infEvento.TextoFilho("dhEvento"));
  }
  if (cancelamento.sProtocolo.empty()) return std::nullopt;
  return cancelamento;
}

EventoLido LeEvento(const UnXml::XmlDocumento& doc) {
  const UnXml::XmlElemento infEvento = doc.ElementoDocumento().ElementoFilho("infEvento");
  EventoLido evento;
  evento.sChave = infEvento.TextoFilho("chCTe");
  evento.sDataRegistro = UnFuncoesCTe::TextoData(infEvento.TextoFilho("dhRegEvento"));
  evento.sStatus = infEvento.TextoFilho("cStat");
  evento.sProtocolo = infEvento.TextoFilho("nProt");
  evento.sTipo = infEvento.TextoFilho("tpEvento");
  evento.sDescricao = UnFuncoesCTe::CortaTexto(infEvento.TextoFilho("xEvento"), MAXIMO_EVENTO);
  evento.sMotivo = UnFuncoesCTe::CortaTexto(infEvento.TextoFilho("xMotivo"), MAXIMO_MOTIVO);
  return evento;
}

std::string DescricaoEvento(const EventoLido& evento) {
  if (!evento.sDescricao.empty()) return evento.sDescricao;
  static const std::pair<const char*, const char*> NOMES[] = {
      {"110110", "Carta de Correção"},
      {"110111", "Cancelamento"},
      {"110113", "EPEC"},
      {"110160", "Registro Multimodal"},
      {"110170", "Informações da GTV"},
      {"110180", "Comprovante de Entrega"},
      {"110181", "Cancelamento do Comprovante de Entrega"},
      {"110190", "Insucesso na Entrega"},
      {"110191", "Cancelamento do Insucesso na Entrega"},
      {"610110", "Prestação do Serviço em Desacordo"},
      {"610111", "Cancelamento da Prestação do Serviço em Desacordo"},
  };
  for (const auto& [tipo, nome] : NOMES)
    if (evento.sTipo == tipo) return nome;
  return "";
}

bool EhEventoRegistrado(const std::string& status) { return status == "135" || status == "136"; }

}  // namespace UnLeituraRespostas
