#include "processing/UnLeituraAutorizados.h"

#include "platform/UnLocalidade.h"
#include "processing/UnFuncoesCTe.h"
#include "processing/UnLeituraRespostas.h"

namespace UnLeituraAutorizados {

namespace {

// A CNPJ without its punctuation: digits, and the capitals of an alphanumeric one.
std::string SemPontuacao(const std::string& texto) {
  std::string limpo;
  for (char c : texto)
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z')) limpo += c;
  return limpo;
}

// A run of `n` digits at `i` of `t`, or -1.
int Campo(const std::string& t, size_t i, size_t n) {
  if (i + n > t.size()) return -1;
  int valor = 0;
  for (size_t j = i; j < i + n; ++j) {
    if (t[j] < '0' || t[j] > '9') return -1;
    valor = valor * 10 + (t[j] - '0');
  }
  return valor;
}

// The authority's answer to a document: its status, protocol, time and reason.
void LeResposta(const UnXml::XmlElemento& resposta, const char* campoData,
                DocumentoLido& documento) {
  documento.sStatus = resposta.TextoFilho("cStat");
  documento.sProtocolo = resposta.TextoFilho("nProt");
  documento.sData = resposta.TextoFilho(campoData);
  documento.sMotivo =
      UnFuncoesCTe::CortaTexto(resposta.TextoFilho("xMotivo"), UnLeituraRespostas::MAXIMO_MOTIVO);
}

}  // namespace

DocumentoLido LeDocumento(const UnXml::XmlDocumento& doc) {
  const UnXml::XmlElemento raiz = doc.ElementoDocumento();
  DocumentoLido documento;
  documento.sRaiz = raiz.NomeLocal();
  documento.bEvento = documento.sRaiz == "procEventoCTe";
  if (documento.bEvento) {
    const UnXml::XmlElemento evento = raiz.ElementoFilho("eventoCTe").ElementoFilho("infEvento");
    const UnXml::XmlElemento registro =
        raiz.ElementoFilho("retEventoCTe").ElementoFilho("infEvento");
    documento.sModelo = "57";
    documento.sCNPJ = evento.TextoFilho("CNPJ");
    documento.sChave = evento.TextoFilho("chCTe");
    documento.sAmbiente = evento.TextoFilho("tpAmb");
    documento.sTipoEvento = evento.TextoFilho("tpEvento");
    LeResposta(registro, "dhRegEvento", documento);
    // The authority's answer names the document too: both must agree.
    if (registro.TextoFilho("chCTe") != documento.sChave) documento.sChave.clear();
  } else {
    const std::string nomeCTe = documento.sRaiz == "cteOSProc" ? "CTeOS" : "CTe";
    const UnXml::XmlElemento cte = raiz.ElementoFilho(nomeCTe).ElementoFilho("infCte");
    const UnXml::XmlElemento infProt = raiz.ElementoFilho("protCTe").ElementoFilho("infProt");
    documento.sModelo = cte.ElementoFilho("ide").TextoFilho("mod");
    documento.sCNPJ = cte.ElementoFilho("emit").TextoFilho("CNPJ");
    documento.sAmbiente = infProt.TextoFilho("tpAmb");
    documento.sChave = infProt.TextoFilho("chCTe");
    LeResposta(infProt, "dhRecbto", documento);
  }
  return documento;
}

std::string Defeito(const DocumentoLido& documento, const std::string& nome,
                    const std::string& cnpjEmpresa) {
  const std::string& d = documento.sRaiz;
  if (d != "cteProc" && d != "cteOSProc" && d != "procEventoCTe")
    return "não é um CT-e autorizado nem um evento de CT-e (" + UnFuncoesCTe::CortaTexto(d, 40) +
           ")";
  const std::string modeloEsperado = d == "cteOSProc" ? "67" : "57";
  const std::string& chave = documento.sChave;
  if (UnFuncoesCTe::ChaveCTe(chave) != chave || chave.empty())
    return "sem chave de acesso de CT-e válida";
  if (documento.sModelo != modeloEsperado || chave.substr(20, 2) != modeloEsperado)
    return "de outro modelo (" + UnFuncoesCTe::CortaTexto(documento.sModelo, 10) + ")";
  // The key is the name's: the transmitter names the document after it.
  const std::string noNome =
      documento.bEvento ? nome.substr(0, nome.find('_')) : UnLeituraRespostas::RetornaFinal(
                                                               nome.substr(0, nome.rfind('-')), 44);
  if (noNome != chave) return "a chave do conteúdo não é a do nome do arquivo";
  const std::string cnpj = SemPontuacao(documento.sCNPJ);
  if (cnpj.empty() || cnpj != SemPontuacao(cnpjEmpresa) || chave.substr(6, 14) != cnpj)
    return "de outra empresa (CNPJ " + UnFuncoesCTe::CortaTexto(documento.sCNPJ, 20) + ")";
  return "";
}

std::string LeAmbienteCTe(const UnXml::XmlDocumento& doc) {
  UnXml::XmlElemento cte = doc.ElementoDocumento();
  if (cte.NomeLocal() == "enviCTe") cte = cte.ElementoFilho("CTe");
  if (!cte.Existe()) return "";
  const UnXml::XmlElemento infCte = cte.ElementoFilho("infCte");
  if (!infCte.Existe()) return "";
  const UnXml::XmlElemento ide = infCte.ElementoFilho("ide");
  return ide.Existe() ? ide.TextoFilho("tpAmb") : "";
}

std::optional<int64_t> MilissegundosUtc(const std::string& t) {
  const int ano = Campo(t, 0, 4), mes = Campo(t, 5, 2), dia = Campo(t, 8, 2);
  const int hora = Campo(t, 11, 2), minuto = Campo(t, 14, 2), segundo = Campo(t, 17, 2);
  if (t.size() < 19 || t[4] != '-' || t[7] != '-' || t[10] != 'T' || t[13] != ':' ||
      t[16] != ':' || ano < 0 || mes < 1 || mes > 12 || dia < 1 || dia > 31 || hora < 0 ||
      hora > 23 || minuto < 0 || minuto > 59 || segundo < 0 || segundo > 60)
    return std::nullopt;
  int deslocamento = -3 * 60;
  if (t.size() >= 25 && (t[19] == '+' || t[19] == '-') && t[22] == ':') {
    const int h = Campo(t, 20, 2), m = Campo(t, 23, 2);
    if (h < 0 || m < 0) return std::nullopt;
    deslocamento = (t[19] == '-' ? -1 : 1) * (h * 60 + m);
  } else if (t.size() > 19 && t[19] == 'Z') {
    deslocamento = 0;
  }
  const int64_t segundos = UnLocalidade::DiasDesdeEpoca(ano, mes, dia) * 86400 + hora * 3600 +
                           minuto * 60 + segundo - deslocamento * 60;
  return segundos * 1000;
}

}  // namespace UnLeituraAutorizados
