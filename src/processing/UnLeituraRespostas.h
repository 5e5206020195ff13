#pragma once
// Turns a loaded answer file of the transmitter into plain values. Absent text elements read
// as empty; a required block that is absent raises the XML layer's error, so a file missing
// one never reaches the database.
#include <cstdint>
#include <optional>
#include <string>

#include "platform/UnXml.h"

namespace UnLeituraRespostas {

// The schema's longest xMotivo and xEvento: texts read only to be shown are cut there.
inline constexpr size_t MAXIMO_MOTIVO = 255;
inline constexpr size_t MAXIMO_EVENTO = 60;

// ---- Pieces of file names

// The last `quantidade` characters of a text (all of it when shorter).
std::string RetornaFinal(const std::string& texto, size_t quantidade);
// `quantidade` characters from the 1-based `posicao`; short or empty past the end.
std::string RetornaTrecho(const std::string& texto, size_t posicao, size_t quantidade);
// The name less its last 8 characters ("-sit.xml", "-eve.xml").
std::string RetornaChaveNome(const std::string& nome);

// Document number and numeric code cut from the last 60 characters of a lot-number file's
// path (the separator and "CTe" + key + "-num-lot.xml").
struct NomeLoteLido {
  std::string sDocumento;        // 9 characters from position 30
  std::string sCodigoNumerico;   // 8 characters from position 40
};
NomeLoteLido LeNomeLote(const std::string& nomeArquivo);

// ---- Lot-number file (DadosLoteCTe / NumeroLoteGerado)
struct LoteLido {
  std::string sNumeroLote;  // as written in the file
};
LoteLido LeNumeroLote(const UnXml::XmlDocumento& doc);
// The lot number as a 32-bit integer ("00123" gives 123); raises UnFuncoesCTe::EValorInvalido
// for an empty text, one that is not a run of digits, or one beyond the 32-bit range.
int32_t ConverteNumeroLote(const std::string& lote);
// PreencheZeros(lote, 15) + "-rec.xml".
std::string RetornaNomeRecibo(const std::string& lote);

// ---- Receipt file (retEnviCte)
struct ReciboLido {
  std::string sStatus;           // cStat of the lot's reception
  bool bTemInfRec = false;       // a lot rejected at reception comes without infRec
  std::string sRecibo;           // infRec/nRec
  std::string sDataRecebimento;  // date text of infRec/dhRecbto
  std::string sTempoMedio;       // infRec/tMed
};
ReciboLido LeRecibo(const UnXml::XmlDocumento& doc);

// ---- Status of the answer (cStat of the document element) and its reason (xMotivo)
std::string LeStatus(const UnXml::XmlDocumento& doc);
std::string LeMotivo(const UnXml::XmlDocumento& doc);

// tpAmb of the answer's root, else of its protCTe/infProt; empty when neither says.
std::string LeAmbiente(const UnXml::XmlDocumento& doc);
// The authority rejects a CT-e it already holds (sent again, or authorised after a time-out).
inline constexpr const char* STATUS_DUPLICIDADE = "204";

// ---- Authorisation protocol: protCTe/infProt of the document element, both required
struct ProtocoloLido {
  std::string sChave;               // chCTe
  std::string sDataProcessamento;   // date text of dhRecbto
  std::string sStatus;              // cStat of the document
  std::string sProtocolo;           // nProt
  std::string sMotivo;              // xMotivo: what the authority says of the document
};
ProtocoloLido LeProtocolo(const UnXml::XmlDocumento& doc);

// ---- Cancellation listed in a situation answer (procEventoCTe blocks of the root)
struct CancelamentoLido {
  std::string sProtocolo;  // retEventoCTe/infEvento/nProt, never empty
  std::string sData;       // date text of retEventoCTe/infEvento/dhRegEvento
};
// Visits the event blocks in order; a cancellation block ("110111") ends the walk and is the
// one read, a "110112" block ends it without one. Empty when no cancellation with a protocol
// was met. The first block must carry eventoCTe/infEvento, later blocks without eventoCTe are
// passed over. A cancellation block without its retEventoCTe/infEvento gives
// detEvento/evCancCTe/nProt and eventoCTe/infEvento/dhEvento, and must carry them.
std::optional<CancelamentoLido> LeCancelamento(const UnXml::XmlDocumento& doc);

// ---- Event answer (retEventoCTe/infEvento, required)
struct EventoLido {
  std::string sChave;            // chCTe; empty when the answer does not carry it
  std::string sDataRegistro;     // date text of dhRegEvento
  std::string sStatus;           // cStat
  std::string sProtocolo;        // nProt
  std::string sTipo;             // tpEvento
  std::string sDescricao;        // xEvento
  std::string sMotivo;           // xMotivo
};
EventoLido LeEvento(const UnXml::XmlDocumento& doc);
// The event's name: its xEvento, else the name of its type; empty for an unknown type.
std::string DescricaoEvento(const EventoLido& evento);
// Registered events carry one of these statuses.
bool EhEventoRegistrado(const std::string& status);

inline constexpr const char* EVENTO_CANCELAMENTO = "110111";

}  // namespace UnLeituraRespostas
