#include "suporte/RespostasTeste.h"

#include <chrono>
#include <filesystem>

#include "suporte/PastaTemporaria.h"

namespace RespostasTeste {

namespace {

const std::string DECLARACAO = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
const std::string NS = " xmlns=\"http://www.portalfiscal.inf.br/cte\"";

std::string Elemento(const std::string& nome, const Texto& valor) {
  return valor ? "<" + nome + ">" + *valor + "</" + nome + ">" : std::string();
}

std::string ProtCTe(const std::optional<InfProt>& p, const std::string& versao) {
  if (!p) return "";
  return "<protCTe versao=\"" + versao + "\"><infProt Id=\"CTe" + p->nProt.value_or("") +
         "\"><tpAmb>2</tpAmb><verAplic>SP-CTe-20-06-2012</verAplic>" +
         Elemento("chCTe", p->chCTe) + Elemento("dhRecbto", p->dhRecbto) +
         Elemento("nProt", p->nProt) + "<digVal>k3Q7xJm0b5mN1d9z8Yt2aQnV4pE=</digVal>" +
         Elemento("cStat", p->cStat) + Elemento("xMotivo", p->xMotivo) +
         "</infProt></protCTe>";
}

}  // namespace

std::string NumeroLote(const Texto& lote) {
  return DECLARACAO + "<DadosLoteCTe>" + Elemento("NumeroLoteGerado", lote) + "</DadosLoteCTe>";
}

std::string Recibo(const Texto& cStat, const std::optional<InfRec>& infRec) {
  std::string xml = DECLARACAO + "<retEnviCte" + NS + " versao=\"3.00\"><tpAmb>2</tpAmb>" +
                    "<cUF>35</cUF><verAplic>SP-CTe-20-06-2012</verAplic>" +
                    Elemento("cStat", cStat) + "<xMotivo>Lote recebido com sucesso</xMotivo>";
  if (infRec)
    xml += "<infRec>" + Elemento("nRec", infRec->nRec) + Elemento("dhRecbto", infRec->dhRecbto) +
           Elemento("tMed", infRec->tMed) + "</infRec>";
  return xml + "</retEnviCte>";
}

std::string ResultadoLote(const Texto& cStat, const std::optional<InfProt>& infProt) {
  return DECLARACAO + "<retConsReciCTe" + NS + " versao=\"3.00\"><tpAmb>2</tpAmb>" +
         "<verAplic>SP-CTe-20-06-2012</verAplic><nRec>351000012345678</nRec>" +
         Elemento("cStat", cStat) + "<xMotivo>Lote processado</xMotivo><cUF>35</cUF>" +
         ProtCTe(infProt, "3.00") + "</retConsReciCTe>";
}

std::string RetornoCTe(const Texto& cStat, const std::optional<InfProt>& infProt,
                       const std::string& raiz) {
  return DECLARACAO + "<" + raiz + NS + " versao=\"4.00\"><tpAmb>2</tpAmb><cUF>35</cUF>" +
         "<verAplic>SP-CTe-2024</verAplic>" + Elemento("cStat", cStat) +
         "<xMotivo>Autorizado o uso do CT-e</xMotivo>" + ProtCTe(infProt, "4.00") + "</" + raiz +
         ">";
}

std::string Situacao(const Texto& cStat, const std::optional<InfProt>& infProt,
                     const std::vector<EventoSituacao>& eventos) {
  std::string xml = DECLARACAO + "<retConsSitCTe" + NS + " versao=\"4.00\"><tpAmb>2</tpAmb>" +
                    "<verAplic>SP-CTe-2024</verAplic>" + Elemento("cStat", cStat) +
                    "<xMotivo>Autorizado o uso do CT-e</xMotivo><cUF>35</cUF>" +
                    ProtCTe(infProt, "4.00");
  for (const EventoSituacao& e : eventos) {
    xml += "<procEventoCTe versao=\"4.00\">";
    if (e.bComEventoCTe) {
      std::string detalhe;
      if (e.tpEvento == std::optional<std::string>("110111"))
        detalhe = "<evCancCTe><descEvento>Cancelamento</descEvento>" +
                  Elemento("nProt", e.nProtCancelado) +
                  "<xJust>Erro na digitacao do valor</xJust></evCancCTe>";
      else
        detalhe = "<evRegPassagem><descEvento>Registro de Passagem</descEvento></evRegPassagem>";
      xml += "<eventoCTe versao=\"4.00\"><infEvento Id=\"ID" + e.tpEvento.value_or("") + CHAVE_1 +
             "001\"><cOrgao>35</cOrgao><tpAmb>2</tpAmb><CNPJ>12345678000199</CNPJ>" +
             "<chCTe>" + CHAVE_1 + "</chCTe>" + Elemento("dhEvento", e.dhEvento) +
             Elemento("tpEvento", e.tpEvento) + "<nSeqEvento>1</nSeqEvento>" +
             "<detEvento versaoEvento=\"4.00\">" + detalhe + "</detEvento></infEvento></eventoCTe>";
    }
    if (e.bComRetEvento)
      xml += "<retEventoCTe versao=\"4.00\"><infEvento><tpAmb>2</tpAmb>"
             "<verAplic>SP-CTe-2024</verAplic><cOrgao>35</cOrgao><cStat>135</cStat>"
             "<xMotivo>Evento registrado e vinculado a CT-e</xMotivo><chCTe>" + CHAVE_1 +
             "</chCTe>" + Elemento("tpEvento", e.tpEvento) + "<nSeqEvento>1</nSeqEvento>" +
             Elemento("dhRegEvento", e.dhRegEvento) + Elemento("nProt", e.nProtEvento) +
             "</infEvento></retEventoCTe>";
    xml += "</procEventoCTe>";
  }
  return xml + "</retConsSitCTe>";
}

std::string RetornoEvento(const std::optional<InfEvento>& e) {
  std::string xml = DECLARACAO + "<retEventoCTe" + NS + " versao=\"3.00\">";
  if (e)
    xml += "<infEvento Id=\"ID" + e->nProt.value_or("") + "\"><tpAmb>2</tpAmb>" +
           "<verAplic>SP-CTe-20-06-2012</verAplic><cOrgao>35</cOrgao>" + Elemento("cStat", e->cStat) +
           "<xMotivo>Evento registrado e vinculado a CT-e</xMotivo>" + Elemento("chCTe", e->chCTe) +
           Elemento("tpEvento", e->tpEvento) + Elemento("xEvento", e->xEvento) +
           "<nSeqEvento>1</nSeqEvento>" + Elemento("dhRegEvento", e->dhRegEvento) +
           Elemento("nProt", e->nProt) + "</infEvento>";
  return xml + "</retEventoCTe>";
}

std::string DocumentoAutorizado(const Autorizado& a) {
  const bool os = a.mod == "67";
  const std::string raiz = os ? "cteOSProc" : "cteProc", cte = os ? "CTeOS" : "CTe";
  return DECLARACAO + "<" + raiz + NS + " versao=\"4.00\"><" + cte + NS + " versao=\"4.00\">" +
         "<infCte Id=\"CTe" + a.chave + "\" versao=\"4.00\"><ide><cUF>35</cUF><mod>" + a.mod +
         "</mod><serie>1</serie><tpAmb>2</tpAmb></ide><emit><CNPJ>" + a.cnpj +
         "</CNPJ></emit></infCte></" + cte + ">" + ProtCTe(a.prot, "4.00") + "</" + raiz + ">";
}

std::string EventoRegistrado(const std::string& chave, const std::string& tpEvento,
                             const std::string& cStat, const std::string& nProt,
                             const std::string& dhRegEvento) {
  return DECLARACAO + "<procEventoCTe" + NS + " versao=\"4.00\"><eventoCTe versao=\"4.00\">" +
         "<infEvento><cOrgao>35</cOrgao><tpAmb>2</tpAmb><CNPJ>" + chave.substr(6, 14) +
         "</CNPJ><chCTe>" + chave + "</chCTe><dhEvento>" + dhRegEvento + "</dhEvento><tpEvento>" +
         tpEvento + "</tpEvento><nSeqEvento>1</nSeqEvento></infEvento></eventoCTe>" +
         "<retEventoCTe versao=\"4.00\"><infEvento><tpAmb>2</tpAmb><cStat>" + cStat +
         "</cStat><xMotivo>Evento registrado e vinculado a CT-e</xMotivo><chCTe>" + chave +
         "</chCTe><tpEvento>" + tpEvento + "</tpEvento><dhRegEvento>" + dhRegEvento +
         "</dhRegEvento><nProt>" + nProt + "</nProt></infEvento></retEventoCTe></procEventoCTe>";
}

std::string NomeAutorizado(const std::string& chave) { return "CTe" + chave + "-procCTe.xml"; }
std::string NomeCancelamento(const std::string& chave) {
  return chave + "_110111_01-procEventoCTe.xml";
}

void EscreveResposta(const std::string& caminho, const std::string& conteudo) {
  EscreveArquivo(caminho, conteudo);
  std::filesystem::last_write_time(caminho,
                                   std::filesystem::file_time_type::clock::now() - std::chrono::minutes(1));
}

std::string NomeNumeroLote(const std::string& chave) { return "CTe" + chave + "-num-lot.xml"; }
std::string NomeSituacao(const std::string& chave) { return chave + "-sit.xml"; }
std::string NomeEvento(const std::string& chave) { return "CTe" + chave + "-eve.xml"; }

}  // namespace RespostasTeste
