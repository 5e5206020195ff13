#pragma once
// Turns the transmitter's archive of what the authority accepted into plain values: an
// authorised CT-e with its protocol ("<identificador>-procCTe.xml", cteProc or cteOSProc) and a
// registered event ("<chCTe>_<tpEvento>_<nSeqEvento>-procEventoCTe.xml"), and the environment
// of a CT-e the ERP handed the transmitter. A required block that is absent raises the XML
// layer's error.
#include <cstdint>
#include <optional>
#include <string>

#include "platform/UnXml.h"

namespace UnLeituraAutorizados {

inline constexpr const char* MASCARA_AUTORIZADO = "*-procCTe.xml";
// Only cancellations are read: no other event changes what the ERP records.
inline constexpr const char* MASCARA_CANCELAMENTO = "*_110111_*-procEventoCTe.xml";

struct DocumentoLido {
  bool bEvento = false;     // a procEventoCTe; a cteProc or cteOSProc otherwise
  std::string sRaiz;        // the root element's name
  std::string sModelo;      // ide/mod of the CT-e; "57" for an event (whose key says the rest)
  std::string sCNPJ;        // emit/CNPJ of the CT-e, infEvento/CNPJ of the event's author
  std::string sChave;       // infProt/chCTe, or the event's chCTe
  std::string sAmbiente;    // tpAmb
  std::string sTipoEvento;  // tpEvento of the event
  // The authority's answer: infProt of the CT-e, retEventoCTe/infEvento of the event.
  std::string sStatus;
  std::string sProtocolo;
  std::string sData;        // dhRecbto or dhRegEvento, as the authority writes it
  std::string sMotivo;
};
DocumentoLido LeDocumento(const UnXml::XmlDocumento& doc);

// Why a document is left alone, in a person's words; empty when it may be recorded. `nome` is
// its file name and `cnpjEmpresa` the company whose tree holds it (digits compared only).
std::string Defeito(const DocumentoLido& documento, const std::string& nome,
                    const std::string& cnpjEmpresa);

// tpAmb of a CT-e as the ERP wrote it (CTe, CTeOS, or an enviCTe around one); empty when the
// document does not say.
std::string LeAmbienteCTe(const UnXml::XmlDocumento& doc);

// Milliseconds since 1970 (UTC) of the authority's yyyy-mm-ddThh:mm:ss[±hh:mm]; a time without
// offset is taken as Brasília's (-03:00). Empty when the text is no such time.
std::optional<int64_t> MilissegundosUtc(const std::string& data);

}  // namespace UnLeituraAutorizados
