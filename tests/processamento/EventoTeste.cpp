// Event answers through a whole pass.
#include "CenarioProcessamento.h"

#include "platform/UnXml.h"

namespace R = RespostasTeste;

namespace {

const std::string PERGUNTA =
    "Ocorreu um erro na geração deste CT-e. Deseja visualizar o arquivo de erro?";
const std::string EVE_1 = R::NomeEvento(R::CHAVE_1);
const std::string EVE_2 = R::NomeEvento(R::CHAVE_2);

R::InfEvento Cancelamento(const std::string& chave, R::Texto cStat = "135",
                          R::Texto nProt = "135130000054321") {
  R::InfEvento e;
  e.chCTe = chave;
  e.cStat = std::move(cStat);
  e.nProt = std::move(nProt);
  return e;
}

class Evento : public CenarioProcessamento {};

}  // namespace

TEST_F(Evento, CancelamentoAceito) {
  const int32_t id = AdicionaCTe(R::CHAVE_1);
  Resposta(EVE_1, R::RetornoEvento(Cancelamento(R::CHAVE_1)));
  Passo();
  EXPECT_EQ(Coluna("NO_PROTOCOLO_CAN_CTE", id), "135130000054321");
  EXPECT_EQ(Coluna("DH_PROCESSA_CAN_CTE", id), "2013-05-21 10:20:30.0000");
  EXPECT_EQ(Coluna("CD_ST_CAN_CTE", id), "135");
  EXPECT_TRUE(ExisteArquivo(OK(EVE_1)));
  EXPECT_EQ(m->iCTeCancelada, 1);
  EXPECT_EQ(m->iConfirmacaoErro, 0);
  EXPECT_TRUE(tela.perguntas.empty());
  EXPECT_EQ(tela.arquivosMostrados, std::vector<std::string>{EVE_1});
}

TEST_F(Evento, CancelamentoRecusadoGravaEVaiParaErro) {
  const int32_t id = AdicionaCTe(R::CHAVE_1);
  Resposta(EVE_1, R::RetornoEvento(Cancelamento(R::CHAVE_1, "573")));
  Passo();
  EXPECT_EQ(Coluna("CD_ST_CAN_CTE", id), "573");
  EXPECT_EQ(Coluna("NO_PROTOCOLO_CAN_CTE", id), "135130000054321");
  EXPECT_TRUE(ExisteArquivo(Erro(EVE_1)));
  EXPECT_EQ(m->iConfirmacaoErro, 1);
  EXPECT_EQ(m->iCTeErro, 1);
  EXPECT_EQ(m->iCTeCancelada, 0);
  EXPECT_EQ(tela.perguntas, std::vector<std::string>{PERGUNTA});
}

TEST_F(Evento, StatusVazioGravaNuloEVaiParaErro) {
  const int32_t id = AdicionaCTe(R::CHAVE_1);
  Resposta(EVE_1, R::RetornoEvento(Cancelamento(R::CHAVE_1, std::nullopt)));
  Passo();
  EXPECT_TRUE(Nula("CD_ST_CAN_CTE", id));
  EXPECT_EQ(Coluna("NO_PROTOCOLO_CAN_CTE", id), "135130000054321");
  EXPECT_TRUE(ExisteArquivo(Erro(EVE_1)));
  EXPECT_EQ(m->iCTeErro, 1);
}

TEST_F(Evento, SemProtocoloVaiParaErroSemPerguntar) {
  const int32_t id = AdicionaCTe(R::CHAVE_1);
  Resposta(EVE_1, R::RetornoEvento(Cancelamento(R::CHAVE_1, "135", "")));
  Passo();
  EXPECT_TRUE(Nula("CD_ST_CAN_CTE", id));
  EXPECT_TRUE(Nula("NO_PROTOCOLO_CAN_CTE", id));
  EXPECT_TRUE(ExisteArquivo(Erro(EVE_1)));
  EXPECT_EQ(m->iConfirmacaoErro, 1);
  EXPECT_EQ(m->iCTeErro, 1);
  EXPECT_TRUE(tela.perguntas.empty());
}

TEST_F(Evento, ChaveDesconhecidaContaSoAConfirmacao) {
  const int32_t outro = AdicionaCTe(R::CHAVE_2);
  Resposta(EVE_1, R::RetornoEvento(Cancelamento(R::CHAVE_1)));
  Passo();
  EXPECT_TRUE(ExisteArquivo(Erro(EVE_1)));
  EXPECT_EQ(m->iConfirmacaoErro, 1);
  EXPECT_EQ(m->iCTeErro, 0);
  EXPECT_EQ(tela.perguntas, std::vector<std::string>{PERGUNTA});
  EXPECT_TRUE(Nula("CD_ST_CAN_CTE", outro));
}

TEST_F(Evento, SemChaveNaRespostaUsaONomeDoArquivo) {
  // The name is "CTe" + key + "-eve.xml": without its ending it is the key as stored.
  const int32_t id = AdicionaCTe(R::CHAVE_1);
  const int32_t outro = AdicionaCTe(R::CHAVE_2);
  Resposta(EVE_1, R::RetornoEvento(Cancelamento("")));
  Passo();
  EXPECT_EQ(Coluna("CD_ST_CAN_CTE", id), "135");
  EXPECT_TRUE(Nula("CD_ST_CAN_CTE", outro));
  EXPECT_TRUE(ExisteArquivo(OK(EVE_1)));
  EXPECT_EQ(m->iCTeCancelada, 1);
}

TEST_F(Evento, OutroTipoDeEventoFicaEmRetornoEOPassoSegue) {
  const int32_t id1 = AdicionaCTe(R::CHAVE_1);
  const int32_t id2 = AdicionaCTe(R::CHAVE_2);
  R::InfEvento carta = Cancelamento(R::CHAVE_1);
  carta.tpEvento = "110110";
  Resposta(EVE_1, R::RetornoEvento(carta));
  Resposta(EVE_2, R::RetornoEvento(Cancelamento(R::CHAVE_2)));
  Passo();
  EXPECT_TRUE(ExisteArquivo(Retorno(EVE_1)));
  EXPECT_TRUE(Nula("CD_ST_CAN_CTE", id1));
  EXPECT_TRUE(ExisteArquivo(OK(EVE_2)));
  EXPECT_EQ(Coluna("CD_ST_CAN_CTE", id2), "135");
  EXPECT_EQ(m->iCTeCancelada, 1);
  EXPECT_EQ(m->iConfirmacaoErro, 0);
  EXPECT_EQ(tela.arquivosMostrados, (std::vector<std::string>{EVE_1, EVE_2}));
  // Met again in the next pass, once, and still not recorded.
  Passo();
  EXPECT_EQ(tela.arquivosMostrados, (std::vector<std::string>{EVE_1, EVE_2, EVE_1}));
  EXPECT_TRUE(ExisteArquivo(Retorno(EVE_1)));
  EXPECT_TRUE(Nula("CD_ST_CAN_CTE", id1));
}

TEST_F(Evento, SemInfEventoParaOPasso) {
  AdicionaCTe(R::CHAVE_1);
  Resposta(EVE_1, R::RetornoEvento(std::nullopt));
  PassoDeixaEsperando("XML");
  EXPECT_TRUE(ExisteArquivo(Retorno(EVE_1)));
}

TEST_F(Evento, TextoDoArquivoNaoViraComando) {
  const int32_t id1 = AdicionaCTe(R::CHAVE_1);
  const int32_t id2 = AdicionaCTe(R::CHAVE_2);
  Resposta(EVE_1, R::RetornoEvento(
                      Cancelamento(R::CHAVE_1, "135", "1, CD_ST_CAN_CTE = 666 where 1=1 --")));
  PassoDeixaEsperando("inv");
  EXPECT_TRUE(Nula("CD_ST_CAN_CTE", id1));
  EXPECT_TRUE(Nula("CD_ST_CAN_CTE", id2));
  EXPECT_TRUE(ExisteArquivo(Retorno(EVE_1)));
  // A key with a quote is only ever a key.
  Resposta(EVE_1, R::RetornoEvento(Cancelamento("x' or '1'='1")));
  Passo();
  EXPECT_TRUE(ExisteArquivo(Erro(EVE_1)));
  EXPECT_TRUE(Nula("CD_ST_CAN_CTE", id1));
  EXPECT_TRUE(Nula("CD_ST_CAN_CTE", id2));
}
