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

// The ERP records cancellations only; every other event's answer leaves Retorno all the same:
// registered ones to OK with a log line naming the event, refused ones to Erro with the question.
TEST_F(Evento, OutrosTiposSaemDeRetornoSemGravarNada) {
  m->Log.Inicia(inst.sPastaErp);
  const int32_t id = AdicionaCTe(R::CHAVE_1);
  const std::pair<const char*, const char*> TIPOS[] = {
      {"110180", "Comprovante de Entrega"}, {"110181", "Cancelamento do Comprovante de Entrega"},
      {"110110", "Carta de Correção"},      {"110190", "Insucesso na Entrega"},
      {"110191", "Cancelamento do Insucesso na Entrega"},
      {"110113", "EPEC"},                   {"110160", "Registro Multimodal"},
      {"110170", "Informações da GTV"},     {"610110", "Prestação do Serviço em Desacordo"},
      {"610111", "Cancelamento da Prestação do Serviço em Desacordo"},
      {"110300", ""},                       {"110301", ""}};
  int32_t recusados = 0;
  for (const auto& [tipo, nome] : TIPOS) {
    for (const char* status : {"135", "136", "494"}) {
      SCOPED_TRACE(std::string(tipo) + " " + status);
      R::InfEvento evento = Cancelamento(R::CHAVE_1, status, *status == '4' ? "" : "135130000054321");
      evento.tpEvento = tipo;
      evento.xEvento = std::nullopt;  // the type's own name is given
      Resposta(EVE_1, R::RetornoEvento(evento));
      Passo();
      EXPECT_FALSE(ExisteArquivo(Retorno(EVE_1)));
      EXPECT_TRUE(Nula("CD_ST_CAN_CTE", id));
      EXPECT_TRUE(Nula("NO_PROTOCOLO_CAN_CTE", id));
      if (*status == '4') {
        ++recusados;
        EXPECT_TRUE(ExisteArquivo(Erro(EVE_1)));
        std::filesystem::remove(Erro(EVE_1));
      } else {
        EXPECT_TRUE(ExisteArquivo(OK(EVE_1)));
        const std::string log = LeTexto(m->Log.ArquivoDoDia(UnLocalidade::Agora()));
        EXPECT_NE(log.find(EVE_1 + " | OK | evento " + tipo + " " + nome + " registrado, CTe" +
                           R::CHAVE_1 + ", protocolo 135130000054321"),
                  std::string::npos)
            << log;
        std::filesystem::remove(OK(EVE_1));
      }
    }
  }
  EXPECT_EQ(tela.perguntas.size(), static_cast<size_t>(recusados));
  EXPECT_EQ(m->iCTeErro, 0);
  EXPECT_EQ(m->iConsultasCTeErro, recusados);
  EXPECT_EQ(m->iConfirmacaoErro, recusados);
  EXPECT_EQ(m->iCTeCancelada, 0);
  EXPECT_EQ(tela.iEsperando, 0u);
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
