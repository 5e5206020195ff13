#pragma once
// Answer files shaped like the tax authority's CT-e answers as the transmitter leaves them:
// one line, the CT-e namespace on the root element. An element whose value is empty
// (std::nullopt) is left out.
#include <optional>
#include <string>
#include <vector>

namespace RespostasTeste {

using Texto = std::optional<std::string>;

inline const std::string CHAVE_1 = "35120612345678000199570010000012341000012345";
inline const std::string CHAVE_2 = "35120612345678000199570010000056781000056789";

// "CTe" + key + "-num-lot.xml" with NumeroLoteGerado.
std::string NumeroLote(const Texto& lote);

// retEnviCte; infRec only when `comInfRec`.
struct InfRec {
  Texto nRec = "351000012345678";
  Texto dhRecbto = "2012-06-05T10:11:12";
  Texto tMed = "1";
};
std::string Recibo(const Texto& cStat, const std::optional<InfRec>& infRec);

struct InfProt {
  Texto chCTe = CHAVE_1;
  Texto dhRecbto = "2012-06-05T10:11:12";
  Texto nProt = "135120000012345";
  Texto cStat = "100";
  Texto xMotivo = "Autorizado o uso do CT-e";
};
// retConsReciCTe with the lot status and protCTe/infProt.
std::string ResultadoLote(const Texto& cStat, const std::optional<InfProt>& infProt);
// The synchronous answer of layout 4.00 (retCTe; retCTeOS for a CT-e OS, retCTeSimp for a
// CT-e Simplificado): the document's status at the root, protCTe when given.
std::string RetornoCTe(const Texto& cStat, const std::optional<InfProt>& infProt,
                       const std::string& raiz = "retCTe");

// One procEventoCTe block of a situation answer: the taxpayer's event and the authority's
// answer to it.
struct EventoSituacao {
  Texto tpEvento = "110111";
  Texto dhEvento = "2013-05-21T10:20:30-03:00";      // the taxpayer's clock
  Texto nProtCancelado = "135120000012345";          // evCancCTe/nProt: the authorisation
  bool bComEventoCTe = true;
  bool bComRetEvento = true;
  Texto nProtEvento = "135130000054321";             // retEventoCTe: the event's own protocol
  Texto dhRegEvento = "2013-05-21T10:21:05-03:00";   // and its registration
};
// retConsSitCTe of layout 4.00: status, protCTe (when given) and the event blocks in order.
std::string Situacao(const Texto& cStat, const std::optional<InfProt>& infProt,
                     const std::vector<EventoSituacao>& eventos = {});

// retEventoCTe/infEvento.
struct InfEvento {
  Texto chCTe = CHAVE_1;
  Texto tpEvento = "110111";
  Texto cStat = "135";
  Texto nProt = "135130000054321";
  Texto dhRegEvento = "2013-05-21T10:20:30-03:00";
  Texto xEvento = "Cancelamento";
};
std::string RetornoEvento(const std::optional<InfEvento>& infEvento);

// The transmitter's archive: an authorised CT-e (cteProc, or cteOSProc for model 67) with the
// CT-e's model and issuer, and a registered event (procEventoCTe).
struct Autorizado {
  std::string chave = CHAVE_1;
  std::string mod = "57";
  std::string cnpj = "12345678000199";
  InfProt prot;
};
std::string DocumentoAutorizado(const Autorizado& a);
std::string EventoRegistrado(const std::string& chave, const std::string& tpEvento,
                             const std::string& cStat, const std::string& nProt,
                             const std::string& dhRegEvento);
std::string NomeAutorizado(const std::string& chave);  // "CTe" + key + "-procCTe.xml"
std::string NomeCancelamento(const std::string& chave);  // key + "_110111_01-procEventoCTe.xml"

// Writes an answer file whose last write lies a minute back, as one the transmitter finished.
void EscreveResposta(const std::string& caminho, const std::string& conteudo);

// Names the transmitter gives its answers.
std::string NomeNumeroLote(const std::string& chave);  // "CTe" + key + "-num-lot.xml"
std::string NomeSituacao(const std::string& chave);    // key + "-sit.xml"
std::string NomeEvento(const std::string& chave);      // "CTe" + key + "-eve.xml"

}  // namespace RespostasTeste
