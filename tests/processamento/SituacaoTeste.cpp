// Situation query answers through a whole pass.
#include "CenarioProcessamento.h"

#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/UnXml.h"
#include "suporte/PastaTemporaria.h"

namespace R = RespostasTeste;

namespace {

const std::string SIT_1 = R::NomeSituacao(R::CHAVE_1);
const std::string SIT_2 = R::NomeSituacao(R::CHAVE_2);

R::InfProt Autorizacao(R::Texto cStat = "100", R::Texto nProt = "135120000012345") {
  R::InfProt p;
  p.cStat = std::move(cStat);
  p.nProt = std::move(nProt);
  p.dhRecbto = "2013-05-20T09:08:07-03:00";
  return p;
}

// An event block whose answer carries the protocol and registration time given.
R::EventoSituacao Evento(const std::string& tipo, const std::string& nProt = "135120000012345",
                         const std::string& data = "2013-05-21T10:20:30-03:00") {
  R::EventoSituacao e;
  e.tpEvento = tipo;
  e.nProtEvento = nProt;
  e.dhRegEvento = data;
  return e;
}

class Situacao : public CenarioProcessamento {
 protected:
  void EsperaSemCancelamento(int32_t id) const {
    EXPECT_TRUE(Nula("NO_PROTOCOLO_CAN_CTE", id));
    EXPECT_TRUE(Nula("DH_PROCESSA_CAN_CTE", id));
    EXPECT_TRUE(Nula("CD_ST_CAN_CTE", id));
  }
};

}  // namespace

TEST_F(Situacao, PastaSemRespostasNaoMudaNada) {
  Passo();
  EXPECT_EQ(m->iCTeAutorizada + m->iConfirmacaoErro + m->iCTeErro + m->iConsultasCTe, 0);
  EXPECT_TRUE(tela.perguntas.empty());
}

TEST_F(Situacao, AutorizadaGravaAutorizacaoSemImprimir) {
  const int32_t id = AdicionaCTe(R::CHAVE_1);
  EscreveArquivo(ArquivoAutorizado(MesAtual(), R::CHAVE_1), "<cteProc/>");
  Resposta(SIT_1, R::Situacao("100", Autorizacao()));
  EscreveArquivo(OK(SIT_1), "velho");
  Passo();
  EXPECT_EQ(Coluna("cd_st_lote_cte", id), "100");
  EXPECT_EQ(Coluna("NO_PROTOCOLO_CTE", id), "135120000012345");
  EXPECT_EQ(Coluna("DH_PROCESSA_CTE", id), "2013-05-20 09:08:07.0000");
  EXPECT_EQ(Coluna("CD_ST_CTE", id), "100");
  EsperaSemCancelamento(id);
  EXPECT_TRUE(ExisteArquivo(OK(SIT_1)));
  EXPECT_NE(LeTexto(OK(SIT_1)), "velho");
  EXPECT_EQ(m->iCTeAutorizada, 1);
  EXPECT_EQ(m->iConsultasCTe, 0);
  EXPECT_TRUE(Impressoes().empty());
  EXPECT_EQ(tela.arquivosMostrados, std::vector<std::string>{SIT_1});
}

TEST_F(Situacao, CanceladaGravaProtocoloEHoraDoProprioCancelamento) {
  const int32_t id = AdicionaCTe(R::CHAVE_1);
  // The event names the authorisation it cancels and carries the taxpayer's clock; the
  // authority's answer beside it holds the cancellation's own protocol and registration.
  const R::EventoSituacao cancelamento;
  ASSERT_EQ(cancelamento.nProtCancelado, Autorizacao().nProt);
  Resposta(SIT_1, R::Situacao("101", Autorizacao(), {cancelamento}));
  Passo();
  EXPECT_EQ(Coluna("cd_st_lote_cte", id), "101");
  EXPECT_EQ(Coluna("CD_ST_CTE", id), "100");
  EXPECT_EQ(Coluna("NO_PROTOCOLO_CAN_CTE", id), "135130000054321");
  EXPECT_EQ(Coluna("DH_PROCESSA_CAN_CTE", id), "2013-05-21 10:21:05.0000");
  EXPECT_EQ(Coluna("CD_ST_CAN_CTE", id), "135");
  EXPECT_TRUE(ExisteArquivo(OK(SIT_1)));
  EXPECT_EQ(m->iCTeAutorizada, 1);
  EXPECT_EQ(m->iCTeCancelada, 0);
  // The answer to the cancellation event itself records the same values.
  inst.banco->Executa(" update MOV_CTE_RET set NO_PROTOCOLO_CAN_CTE = null, "
                      "DH_PROCESSA_CAN_CTE = null, CD_ST_CAN_CTE = null");
  R::InfEvento evento;
  evento.nProt = cancelamento.nProtEvento;
  evento.dhRegEvento = cancelamento.dhRegEvento;
  Resposta(R::NomeEvento(R::CHAVE_1), R::RetornoEvento(evento));
  Passo();
  EXPECT_EQ(Coluna("NO_PROTOCOLO_CAN_CTE", id), "135130000054321");
  EXPECT_EQ(Coluna("DH_PROCESSA_CAN_CTE", id), "2013-05-21 10:21:05.0000");
  EXPECT_EQ(Coluna("CD_ST_CAN_CTE", id), "135");
}

TEST_F(Situacao, DocumentoNaoAutorizadoAindaExaminaOsEventos) {
  const int32_t id = AdicionaCTe(R::CHAVE_1);
  Resposta(SIT_1, R::Situacao("132", Autorizacao("110"), {Evento("110111")}));
  Passo();
  EXPECT_TRUE(Nula("cd_st_lote_cte", id));
  EXPECT_TRUE(Nula("CD_ST_CTE", id));
  EXPECT_EQ(Coluna("CD_ST_CAN_CTE", id), "135");
  EXPECT_TRUE(ExisteArquivo(OK(SIT_1)));
  EXPECT_EQ(m->iCTeAutorizada, 1);
}

TEST_F(Situacao, CancelamentoDepoisDeOutrosEventosNaoSePerde) {
  const int32_t id1 = AdicionaCTe(R::CHAVE_1);
  const int32_t id2 = AdicionaCTe(R::CHAVE_2);
  // A pass record first and the cancellation last: written from the last block.
  Resposta(SIT_1, R::Situacao("101", Autorizacao(),
                              {Evento("310620", "1"), Evento("110111", "135120000088888",
                                                                 "2013-06-01T08:00:00")}));
  // A correction letter first, the cancellation, then another pass record.
  Resposta(SIT_2, R::Situacao("101", Autorizacao(),
                              {Evento("110110", "1"), Evento("110111", "135120000099999"),
                               Evento("310620", "1")}));
  Passo();
  EXPECT_EQ(Coluna("NO_PROTOCOLO_CAN_CTE", id1), "135120000088888");
  EXPECT_EQ(Coluna("DH_PROCESSA_CAN_CTE", id1), "2013-06-01 08:00:00.0000");
  EXPECT_EQ(Coluna("NO_PROTOCOLO_CAN_CTE", id2), "135120000099999");
  EXPECT_EQ(Coluna("CD_ST_CAN_CTE", id2), "135");
  EXPECT_EQ(m->iCTeAutorizada, 2);
}

TEST_F(Situacao, SemCancelamentoNadaEGravadoDosEventos) {
  const int32_t id1 = AdicionaCTe(R::CHAVE_1);
  const int32_t id2 = AdicionaCTe(R::CHAVE_2);
  Resposta(SIT_1, R::Situacao("100", Autorizacao(), {Evento("310620")}));
  // A cancellation without its protocol is not written either.
  Resposta(SIT_2, R::Situacao("101", Autorizacao(), {Evento("110111", "")}));
  Passo();
  EsperaSemCancelamento(id1);
  EsperaSemCancelamento(id2);
  EXPECT_EQ(Coluna("CD_ST_CTE", id1), "100");
  EXPECT_TRUE(ExisteArquivo(OK(SIT_1)));
  EXPECT_TRUE(ExisteArquivo(OK(SIT_2)));
  EXPECT_EQ(m->iCTeAutorizada, 2);
  // The authority says cancelled (101) and gives no protocol to record: told so, as an alert.
  ASSERT_EQ(tela.ocorrencias.size(), 2u);
  EXPECT_EQ(tela.ocorrencias[0].sOQue, "autorizado");
  EXPECT_EQ(tela.ocorrencias[1].sOQue, "cancelado");
  EXPECT_NE(tela.ocorrencias[1].sDetalhe.find("nada gravado"), std::string::npos);
  EXPECT_TRUE(tela.ocorrencias[1].bAlerta);
}

TEST_F(Situacao, ChaveDesconhecidaOuStatusRecusadoVaiParaErro) {
  const int32_t id = AdicionaCTe(R::CHAVE_2);
  Resposta(SIT_1, R::Situacao("100", Autorizacao()));
  Resposta(SIT_2, R::Situacao("217", Autorizacao(), {Evento("110111")}));
  EscreveArquivo(Erro(SIT_2), "velho");
  Passo();
  EXPECT_TRUE(ExisteArquivo(Erro(SIT_1)));
  EXPECT_TRUE(ExisteArquivo(Erro(SIT_2)));
  EXPECT_NE(LeTexto(Erro(SIT_2)), "velho");
  EXPECT_TRUE(Nula("cd_st_lote_cte", id));
  EsperaSemCancelamento(id);
  EXPECT_EQ(m->iConfirmacaoErro, 2);
  EXPECT_EQ(m->iCTeErro, 2);
  EXPECT_EQ(m->iCTeAutorizada, 0);
  EXPECT_EQ(tela.perguntas.size(), 2u);
  // Listed in ascending order of name.
  EXPECT_EQ(tela.arquivosMostrados, (std::vector<std::string>{SIT_1, SIT_2}));
}

TEST_F(Situacao, SemProtCTeParaOPassoEFicaEmRetorno) {
  const int32_t id = AdicionaCTe(R::CHAVE_1);
  Resposta(SIT_1, R::Situacao("101", std::nullopt, {Evento("110111")}));
  PassoDeixaEsperando("XML");
  EXPECT_TRUE(ExisteArquivo(Retorno(SIT_1)));
  EsperaSemCancelamento(id);
}

TEST_F(Situacao, TextoDoArquivoNaoViraComando) {
  const int32_t id1 = AdicionaCTe(R::CHAVE_1);
  const int32_t id2 = AdicionaCTe(R::CHAVE_2);
  Resposta(SIT_1, R::Situacao("100", Autorizacao("100", "1, cd_st_lote_cte = 666 where 1=1 --")));
  PassoDeixaEsperando("inv");
  EXPECT_TRUE(Nula("cd_st_lote_cte", id1));
  EXPECT_TRUE(Nula("cd_st_lote_cte", id2));
  EXPECT_TRUE(ExisteArquivo(Retorno(SIT_1)));
  // The cancellation's protocol is quoted: the database refuses it and no row changes.
  Resposta(SIT_1, R::Situacao("101", Autorizacao("110"),
                              {Evento("110111", "1', CD_ST_CAN_CTE = 666 --")}));
  PassoDeixaEsperando("");
  EsperaSemCancelamento(id1);
  EsperaSemCancelamento(id2);
}

// An answer recorded whose move fails is not recorded or counted again, only moved; a newer
// answer the transmitter writes under the same name meanwhile is read, not just moved.
TEST_F(Situacao, RespostaQueNaoSaiSoEMovidaMasOutraNoMesmoNomeEGravada) {
  const int32_t id = AdicionaCTe(R::CHAVE_1);
  const std::string nome = R::NomeSituacao(R::CHAVE_1);
  Resposta(nome, R::Situacao("100", R::InfProt{}));
  std::filesystem::create_directories(OK(nome));  // the move cannot replace a folder
  Passo();
  Passo();
  EXPECT_EQ(m->iCTeAutorizada, 1);
  EXPECT_TRUE(ExisteArquivo(Retorno(nome)));
  R::InfProt nova;
  nova.nProt = "135120000099999";
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  Resposta(nome, R::Situacao("100", nova));
  std::filesystem::remove(OK(nome));
  Passo();
  EXPECT_EQ(Coluna("NO_PROTOCOLO_CTE", id), "135120000099999");
  EXPECT_TRUE(ExisteArquivo(OK(nome)));
  EXPECT_EQ(m->iCTeAutorizada, 2);
}
