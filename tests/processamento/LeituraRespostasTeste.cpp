// Reading of the answer files into plain values, and the statement texts built from them.
#include <gtest/gtest.h>

#include <functional>

#include "platform/UnXml.h"
#include "processing/UnComandosSql.h"
#include "processing/UnFuncoesCTe.h"
#include "processing/UnLeituraRespostas.h"
#include "suporte/RespostasTeste.h"

using namespace UnLeituraRespostas;
namespace R = RespostasTeste;

namespace {

const std::string NS = " xmlns=\"http://www.portalfiscal.inf.br/cte\"";

struct Documento {
  UnXml::XmlDocumento doc;
  explicit Documento(const std::string& xml) { doc.CarregaTexto(xml); }
};

// An event block whose answer carries the protocol and registration time given.
R::EventoSituacao Evento(const std::string& tipo, const std::string& nProt = "135120000012345",
                         const std::string& data = "2013-05-21T10:20:30-03:00") {
  R::EventoSituacao e;
  e.tpEvento = tipo;
  e.nProtEvento = nProt;
  e.dhRegEvento = data;
  return e;
}

std::optional<CancelamentoLido> Cancelamento(const std::vector<R::EventoSituacao>& eventos) {
  Documento d(R::Situacao("101", R::InfProt{}, eventos));
  return LeCancelamento(d.doc);
}

}  // namespace

TEST(NomesRespostas, PecasDoNomeDoLoteSaoCortadasDoCaminho) {
  const std::string nome = RetornaFinal("/raiz/cnpj/Retorno/" + R::NomeNumeroLote(R::CHAVE_1), 60);
  EXPECT_EQ(nome.front(), '/');
  EXPECT_EQ(nome.substr(1), R::NomeNumeroLote(R::CHAVE_1));
  const NomeLoteLido pecas = LeNomeLote(nome);
  EXPECT_EQ(pecas.sDocumento, "000001234");
  EXPECT_EQ(pecas.sCodigoNumerico, "00001234");
  // A short name leaves short or empty pieces, never a cut past the end.
  EXPECT_EQ(LeNomeLote("/CTe1-num-lot.xml").sDocumento, "");
  EXPECT_EQ(RetornaTrecho("abc", 2, 9), "bc");
  EXPECT_EQ(RetornaFinal("abc", 27), "abc");
  EXPECT_EQ(RetornaChaveNome(R::NomeSituacao(R::CHAVE_1)), R::CHAVE_1);
  EXPECT_EQ(RetornaChaveNome("-sit.xml"), "");
}

TEST(NomesRespostas, NumeroDoLoteENomeDoRecibo) {
  EXPECT_EQ(RetornaNomeRecibo("123"), "000000000000123-rec.xml");
  EXPECT_EQ(RetornaNomeRecibo("00123"), "000000000000123-rec.xml");
  EXPECT_EQ(RetornaNomeRecibo(""), "000000000000000-rec.xml");
  EXPECT_EQ(ConverteNumeroLote("00123"), 123);
  EXPECT_EQ(ConverteNumeroLote("2147483647"), 2147483647);
  for (const char* invalido : {"", " 5", "-5", "12a", "2147483648", "99999999999999999999"})
    EXPECT_THROW(ConverteNumeroLote(invalido), UnFuncoesCTe::EValorInvalido) << invalido;
}

TEST(LeituraRespostas, ProtocoloDasDuasFormasDeResposta) {
  R::InfProt infProt;
  infProt.cStat = "100";
  for (const std::string& xml : {R::ResultadoLote("100", infProt), R::RetornoCTe("100", infProt)}) {
    Documento d(xml);
    EXPECT_EQ(LeStatus(d.doc), "100");
    const ProtocoloLido p = LeProtocolo(d.doc);
    EXPECT_EQ(p.sChave, R::CHAVE_1);
    EXPECT_EQ(p.sDataProcessamento, "05.06.2012 10:11:12");
    EXPECT_EQ(p.sStatus, "100");
    EXPECT_EQ(p.sProtocolo, "135120000012345");
  }
  // A rejection of layout 4.00 comes without protCTe: the status is read, the protocol is not.
  Documento rejeicao(R::RetornoCTe("539", std::nullopt));
  EXPECT_EQ(LeStatus(rejeicao.doc), "539");
  EXPECT_THROW(LeProtocolo(rejeicao.doc), UnXml::EXmlErro);
  Documento semInfProt("<retConsReciCTe" + NS + "><cStat>100</cStat><protCTe/></retConsReciCTe>");
  EXPECT_THROW(LeProtocolo(semInfProt.doc), UnXml::EXmlErro);
}

TEST(LeituraRespostas, CancelamentoEntreOsEventosDaSituacao) {
  // No event block: nothing to record.
  EXPECT_FALSE(Cancelamento({}));
  // The cancellation as first block.
  auto c = Cancelamento({Evento("110111", "135999")});
  ASSERT_TRUE(c);
  EXPECT_EQ(c->sProtocolo, "135999");
  EXPECT_EQ(c->sData, "21.05.2013 10:20:30");
  // A pass record first and the cancellation last.
  c = Cancelamento({Evento("310620"), Evento("110111", "135888", "2013-06-01T08:00:00")});
  ASSERT_TRUE(c);
  EXPECT_EQ(c->sProtocolo, "135888");
  EXPECT_EQ(c->sData, "01.06.2013 08:00:00");
  // Behind another kind of first event, and followed by further events: still found.
  c = Cancelamento({Evento("110110"), Evento("110111", "135777")});
  ASSERT_TRUE(c);
  EXPECT_EQ(c->sProtocolo, "135777");
  c = Cancelamento({Evento("310620"), Evento("110111", "135666"), Evento("310620")});
  ASSERT_TRUE(c);
  EXPECT_EQ(c->sProtocolo, "135666");
  // Only pass records, an event that ends the walk first, or a cancellation without protocol.
  EXPECT_FALSE(Cancelamento({Evento("310620")}));
  EXPECT_FALSE(Cancelamento({Evento("310620"), Evento("110112"), Evento("110111")}));
  EXPECT_FALSE(Cancelamento({Evento("110111", "")}));
}

TEST(LeituraRespostas, CancelamentoComProtocoloEHoraDoProprioEvento) {
  R::EventoSituacao cancelamento = Evento("110111", "135130000054321", "2013-05-21T10:21:05-03:00");
  cancelamento.nProtCancelado = "135120000012345";  // the authorisation it cancels
  cancelamento.dhEvento = "2013-05-21T10:20:30-03:00";
  auto c = Cancelamento({cancelamento});
  ASSERT_TRUE(c);
  EXPECT_EQ(c->sProtocolo, "135130000054321");
  EXPECT_EQ(c->sData, "21.05.2013 10:21:05");
  // Without the authority's answer only the event itself is left to read.
  cancelamento.bComRetEvento = false;
  c = Cancelamento({cancelamento});
  ASSERT_TRUE(c);
  EXPECT_EQ(c->sProtocolo, "135120000012345");
  EXPECT_EQ(c->sData, "21.05.2013 10:20:30");
}

TEST(LeituraRespostas, BlocosDeEventoIncompletos) {
  R::EventoSituacao semEvento = Evento("110111");
  semEvento.bComEventoCTe = false;
  // The first block must be readable; a later one without eventoCTe is passed over.
  EXPECT_THROW(Cancelamento({semEvento, Evento("110111")}), UnXml::EXmlErro);
  auto c = Cancelamento({Evento("310620"), semEvento, Evento("110111", "135555")});
  ASSERT_TRUE(c);
  EXPECT_EQ(c->sProtocolo, "135555");
  // A cancellation without its details.
  Documento semDetalhe("<retConsSitCTe" + NS + "><cStat>101</cStat><procEventoCTe><eventoCTe>"
                       "<infEvento><tpEvento>110111</tpEvento><detEvento/></infEvento>"
                       "</eventoCTe></procEventoCTe></retConsSitCTe>");
  EXPECT_THROW(LeCancelamento(semDetalhe.doc), UnXml::EXmlErro);
  Documento semDetEvento("<retConsSitCTe" + NS + "><cStat>101</cStat><procEventoCTe><eventoCTe>"
                         "<infEvento><tpEvento>110111</tpEvento></infEvento>"
                         "</eventoCTe></procEventoCTe></retConsSitCTe>");
  EXPECT_THROW(LeCancelamento(semDetEvento.doc), UnXml::EXmlErro);
}

TEST(ComandosSql, TextosDasPesquisas) {
  using namespace UnComandosSql;
  EXPECT_EQ(MontaPesquisaLote("000001234", "00001234"),
            " select cte.id_cte from mov_cte cte inner join MOV_CTE_RET mcr on (mcr.id_cte = "
            "cte.id_cte) where cte.NO_DOC_CTE = 000001234 and mcr.NO_COD_NUMERICO_CTE = 00001234");
  EXPECT_EQ(MontaPesquisaChave("CTe" + R::CHAVE_1),
            " select cte.id_cte, mcr.cd_chave_acesso_cte from mov_cte cte inner join MOV_CTE_RET "
            "mcr on (cte.id_cte = mcr.id_cte) where mcr.cd_chave_acesso_cte = 'CTe" +
                R::CHAVE_1 + "'");
  EXPECT_EQ(MontaPesquisaChave("x' or '1'='1"),
            " select cte.id_cte, mcr.cd_chave_acesso_cte from mov_cte cte inner join MOV_CTE_RET "
            "mcr on (cte.id_cte = mcr.id_cte) where mcr.cd_chave_acesso_cte = 'x'' or ''1''=''1'");
  EXPECT_EQ(MontaPesquisaImpressao(42),
            " select cte.id_cte, emp.no_cnpj_cpf, mcr.cd_chave_acesso_cte from mov_cte cte inner "
            "join MOV_CTE_RET mcr on (mcr.id_cte = cte.id_cte) inner join cad_pessoa emp on "
            "(emp.id_pessoa = cte.id_empresa_cte) where cte.id_cte = 42");
}

TEST(ComandosSql, TextosDasAlteracoes) {
  using namespace UnComandosSql;
  EXPECT_EQ(MontaGravaNumeroLote(42, 123), " update MOV_CTE_RET set NO_LOTE_CTE = 123 where id_cte = 42");

  ReciboLido recibo{"103", true, "351000012345678", "05.06.2012 10:11:12", "1"};
  EXPECT_EQ(MontaGravaRecibo(recibo, 42),
            " update MOV_CTE_RET set cd_st_recebto_cte = 103, no_recibo_cte = 351000012345678, "
            "dh_recebto_cte = '05.06.2012 10:11:12', qt_media_resposta_cte = 1 where id_cte = 42");
  recibo.sRecibo = recibo.sTempoMedio = "";
  EXPECT_EQ(MontaGravaRecibo(recibo, 42),
            " update MOV_CTE_RET set cd_st_recebto_cte = 103, no_recibo_cte = null, "
            "dh_recebto_cte = '05.06.2012 10:11:12', qt_media_resposta_cte = null where id_cte = 42");
  EXPECT_EQ(MontaGravaStatusRecibo("215", 42),
            " update MOV_CTE_RET set cd_st_recebto_cte = 215 where id_cte = 42");

  ProtocoloLido p{R::CHAVE_1, "05.06.2012 10:11:12", "100", "135120000012345", ""};
  EXPECT_EQ(MontaGravaProtocolo("100", p, 42),
            " update MOV_CTE_RET set cd_st_lote_cte = 100, NO_PROTOCOLO_CTE = 135120000012345, "
            "DH_PROCESSA_CTE = '05.06.2012 10:11:12', CD_ST_CTE = 100 where ID_CTE = 42");
  EXPECT_EQ(MontaGravaAutorizacaoSituacao("101", p, 42),
            " update MOV_CTE_RET set cd_st_lote_cte = 101, NO_PROTOCOLO_CTE = 135120000012345, "
            "DH_PROCESSA_CTE = '05.06.2012 10:11:12', CD_ST_CTE = 100 where id_cte = 42");
  p.sProtocolo = "";
  p.sStatus = "301";
  EXPECT_EQ(MontaGravaProtocolo("100", p, 42),
            " update MOV_CTE_RET set cd_st_lote_cte = 100, NO_PROTOCOLO_CTE = null, "
            "DH_PROCESSA_CTE = '05.06.2012 10:11:12', CD_ST_CTE = 301 where ID_CTE = 42");

  EXPECT_EQ(MontaGravaCancelamentoSituacao({"135120000012345", "21.05.2013 10:20:30"}, 42),
            " update MOV_CTE_RET set NO_PROTOCOLO_CAN_CTE = 135120000012345, "
            "DH_PROCESSA_CAN_CTE = '21.05.2013 10:20:30', CD_ST_CAN_CTE = 135 where id_cte = 42");

  EventoLido e{R::CHAVE_1, "21.05.2013 10:20:30", "135", "135130000054321", "110111", "", ""};
  EXPECT_EQ(MontaGravaCancelamentoEvento(e, 42),
            " update MOV_CTE_RET set NO_PROTOCOLO_CAN_CTE = 135130000054321, "
            "DH_PROCESSA_CAN_CTE = '21.05.2013 10:20:30', CD_ST_CAN_CTE = 135 where id_cte = 42");
  e.sStatus = "";
  EXPECT_EQ(MontaGravaCancelamentoEvento(e, 42),
            " update MOV_CTE_RET set NO_PROTOCOLO_CAN_CTE = 135130000054321, "
            "DH_PROCESSA_CAN_CTE = '21.05.2013 10:20:30', CD_ST_CAN_CTE = null where id_cte = 42");
}

TEST(ComandosSql, TextoDoArquivoNuncaViraComando) {
  using namespace UnComandosSql;
  using UnFuncoesCTe::EValorInvalido;
  const std::string injecao = "1 where 1=1 --";
  EXPECT_THROW(MontaPesquisaLote("1 or 1=1", "00001234"), EValorInvalido);
  EXPECT_THROW(MontaPesquisaLote("000001234", ""), EValorInvalido);
  EXPECT_THROW(MontaGravaRecibo({"103", true, "1", "05.06.2012 10:11:12", injecao}, 42), EValorInvalido);
  EXPECT_THROW(MontaGravaRecibo({injecao, true, "1", "05.06.2012 10:11:12", "1"}, 42), EValorInvalido);
  // An empty reception status is refused too, as the database would refuse it.
  EXPECT_THROW(MontaGravaRecibo({"", true, "1", "05.06.2012 10:11:12", "1"}, 42), EValorInvalido);
  EXPECT_THROW(MontaGravaStatusRecibo("215 where 1=1", 42), EValorInvalido);
  ProtocoloLido p{R::CHAVE_1, "05.06.2012 10:11:12", "100", "1, cd_st_lote_cte = 666 where 1=1 --",
                  ""};
  EXPECT_THROW(MontaGravaProtocolo("100", p, 42), EValorInvalido);
  EXPECT_THROW(MontaGravaAutorizacaoSituacao("101", p, 42), EValorInvalido);
  p.sProtocolo = "1";
  p.sStatus = " 100 ";
  EXPECT_THROW(MontaGravaProtocolo("100", p, 42), EValorInvalido);
  EventoLido e{R::CHAVE_1, "21.05.2013 10:20:30", "135 where 1=1 --", "1", "110111", "", ""};
  EXPECT_THROW(MontaGravaCancelamentoEvento(e, 42), EValorInvalido);
  // Dates, protocols and keys are held to their forms before any statement text exists.
  p.sStatus = "100";
  const std::string aspaLarga = "\xEF\xBC\x87";  // U+FF07, a plain quote under best fit
  struct Caso {
    const char* o;
    std::string data, protocolo;
    bool aceito;
  };
  const Caso casos[] = {
      {"date with a quote", UnFuncoesCTe::TextoData("2012-06-05T',x=1--"), "135120000012345", false},
      {"date with a look-alike", UnFuncoesCTe::TextoData("2024-01-01T" + aspaLarga + "--"),
       "135120000012345", false},
      {"date with letters", "05.06.2O12 10:11:12", "135120000012345", false},
      {"date without its time", "05.06.2012", "135120000012345", false},
      {"date past its form", "05.06.2012 10:11:12 or 1=1", "135120000012345", false},
      {"protocol of 16 digits", "05.06.2012 10:11:12", "1351200000123456", false},
      {"protocol of a whole statement", "05.06.2012 10:11:12",
       "135120000012345" + std::string(4096, '9'), false},
      {"protocol with a look-alike", "05.06.2012 10:11:12", "13512000001" + aspaLarga + "45", false},
      {"protocol of one digit", "05.06.2012 10:11:12", "1", false},
      {"protocol of 15 digits", "05.06.2012 10:11:12", "135120000012345", true},
      {"protocol of 17 digits", "05.06.2012 10:11:12", "13512000001234567", true},
      {"no protocol (a rejection)", "05.06.2012 10:11:12", "", true},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.o);
    p.sDataProcessamento = c.data;
    p.sProtocolo = c.protocolo;
    CancelamentoLido cancelamento{c.protocolo.empty() ? "135120000012345" : c.protocolo, c.data};
    e.sDataRegistro = c.data;
    e.sProtocolo = c.protocolo;
    e.sStatus = "135";
    for (const auto& monta : std::initializer_list<std::function<std::string()>>{
             [&] { return MontaGravaProtocolo("100", p, 42); },
             [&] { return MontaGravaAutorizacaoSituacao("101", p, 42); },
             [&] { return MontaGravaCancelamentoSituacao(cancelamento, 42); },
             [&] { return MontaGravaCancelamentoEvento(e, 42); }}) {
      if (c.aceito)
        EXPECT_NO_THROW(monta());
      else
        EXPECT_THROW(monta(), EValorInvalido);
    }
  }
  // A key is quoted, a quote doubled (the Windows suite holds the code page's side).
  EXPECT_NE(MontaPesquisaChave("CTe1' or '1'='1").find("= 'CTe1'' or ''1''=''1'"),
            std::string::npos);
}
