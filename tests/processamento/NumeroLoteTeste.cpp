// Lot-number files and their receipts through a whole pass.
#include "CenarioProcessamento.h"

#include "platform/UnXml.h"
#include "suporte/PastaTemporaria.h"

namespace R = RespostasTeste;

namespace {

const std::string PERGUNTA =
    "Ocorreu um erro na geração deste CT-e. Deseja visualizar o arquivo de erro?";
const std::string LOTE_1 = R::NomeNumeroLote(R::CHAVE_1);
const std::string RECIBO_123 = "000000000000123-rec.xml";

class NumeroLote : public CenarioProcessamento {};

}  // namespace

TEST_F(NumeroLote, LoteComReciboRecebido) {
  const int32_t id = AdicionaCTe(R::CHAVE_1);
  Resposta(LOTE_1, R::NumeroLote("123"));
  Resposta(RECIBO_123, R::Recibo("103", R::InfRec{}));
  Passo();
  EXPECT_EQ(Coluna("NO_LOTE_CTE", id), "123");
  EXPECT_EQ(Coluna("cd_st_recebto_cte", id), "103");
  EXPECT_EQ(Coluna("no_recibo_cte", id), "351000012345678");
  EXPECT_EQ(Coluna("dh_recebto_cte", id), "2012-06-05 10:11:12.0000");
  EXPECT_EQ(Coluna("qt_media_resposta_cte", id), "1");
  EXPECT_TRUE(ExisteArquivo(OK(LOTE_1)));
  EXPECT_TRUE(ExisteArquivo(OK(RECIBO_123)));
  EXPECT_FALSE(ExisteArquivo(Retorno(LOTE_1)));
  EXPECT_FALSE(ExisteArquivo(Retorno(RECIBO_123)));
  EXPECT_EQ(m->iLotesProcessados, 1);
  EXPECT_EQ(m->iConfirmacaoRecebida, 1);
  EXPECT_EQ(m->iPedidosGerados, 1);
  EXPECT_EQ(m->iConfirmacaoErro, 0);
  EXPECT_TRUE(tela.perguntas.empty());
  EXPECT_EQ(tela.arquivosMostrados, std::vector<std::string>{LOTE_1});
  EXPECT_EQ(tela.sArquivo, "");
}

TEST_F(NumeroLote, ZerosAEsquerdaDoLoteEElementosVaziosDoRecibo) {
  const int32_t id = AdicionaCTe(R::CHAVE_1);
  Resposta(LOTE_1, R::NumeroLote("00123"));
  R::InfRec infRec;
  infRec.nRec = std::nullopt;
  infRec.tMed = "";
  Resposta(RECIBO_123, R::Recibo("103", infRec));
  Passo();
  EXPECT_EQ(Coluna("NO_LOTE_CTE", id), "123");
  EXPECT_TRUE(Nula("no_recibo_cte", id));
  EXPECT_TRUE(Nula("qt_media_resposta_cte", id));
  EXPECT_EQ(Coluna("cd_st_recebto_cte", id), "103");
  EXPECT_TRUE(ExisteArquivo(OK(RECIBO_123)));
}

TEST_F(NumeroLote, ReciboRecusadoContaUmErroSo) {
  const int32_t id = AdicionaCTe(R::CHAVE_1);
  Resposta(LOTE_1, R::NumeroLote("123"));
  Resposta(RECIBO_123, R::Recibo("999", R::InfRec{}));
  Passo();
  EXPECT_EQ(Coluna("cd_st_recebto_cte", id), "999");
  EXPECT_EQ(Coluna("no_recibo_cte", id), "351000012345678");
  EXPECT_TRUE(ExisteArquivo(Erro(RECIBO_123)));
  EXPECT_TRUE(ExisteArquivo(OK(LOTE_1)));
  EXPECT_EQ(m->iConfirmacaoErro, 1);
  EXPECT_EQ(m->iLotesProcessados, 1);
  EXPECT_EQ(m->iConfirmacaoRecebida, 0);
  EXPECT_EQ(m->iPedidosGerados, 0);
  EXPECT_EQ(tela.perguntas, std::vector<std::string>{PERGUNTA});
}

TEST_F(NumeroLote, ReciboSemInfRecGravaSoOStatusESegueOStatus) {
  const int32_t id = AdicionaCTe(R::CHAVE_1);
  inst.banco->Executa("update MOV_CTE_RET set no_recibo_cte = 77, qt_media_resposta_cte = 5,"
                      " dh_recebto_cte = '01.02.2012 03:04:05' where id_cte = " + std::to_string(id));
  Resposta(LOTE_1, R::NumeroLote("123"));
  Resposta(RECIBO_123, R::Recibo("215", std::nullopt));
  Passo();
  EXPECT_EQ(Coluna("NO_LOTE_CTE", id), "123");
  EXPECT_EQ(Coluna("cd_st_recebto_cte", id), "215");
  EXPECT_EQ(Coluna("no_recibo_cte", id), "77");
  EXPECT_EQ(Coluna("qt_media_resposta_cte", id), "5");
  EXPECT_EQ(Coluna("dh_recebto_cte", id), "2012-02-01 03:04:05.0000");
  EXPECT_TRUE(ExisteArquivo(Erro(RECIBO_123)));
  EXPECT_TRUE(ExisteArquivo(OK(LOTE_1)));
  EXPECT_EQ(m->iConfirmacaoErro, 1);
  EXPECT_EQ(m->iLotesProcessados, 1);
  EXPECT_TRUE(m->Timer1Ativo());
}

TEST_F(NumeroLote, SemReciboAindaGravaSoOLote) {
  const int32_t id = AdicionaCTe(R::CHAVE_1);
  Resposta(LOTE_1, R::NumeroLote("123"));
  Passo();
  EXPECT_EQ(Coluna("NO_LOTE_CTE", id), "123");
  EXPECT_TRUE(Nula("cd_st_recebto_cte", id));
  EXPECT_TRUE(ExisteArquivo(OK(LOTE_1)));
  EXPECT_EQ(m->iLotesProcessados, 1);
  EXPECT_EQ(m->iConfirmacaoErro + m->iConfirmacaoRecebida, 0);
  // A receipt arriving later is found by its lot number, recorded on the CT-e.
  Resposta(RECIBO_123, R::Recibo("103", R::InfRec{}));
  Passo();
  EXPECT_EQ(Coluna("cd_st_recebto_cte", id), "103");
  EXPECT_TRUE(ExisteArquivo(OK(RECIBO_123)));
  EXPECT_EQ(m->iConfirmacaoRecebida, 1);
}

// A receipt the database refuses waits in Retorno, its lot file long gone to OK; a later run
// (or another workstation) finds it there and records it once the refusal is mended.
TEST_F(NumeroLote, ReciboRecusadoEncontradoPelaExecucaoSeguinte) {
  const int32_t id = AdicionaCTe(R::CHAVE_1);
  inst.banco->Executa(
      "alter table MOV_CTE_RET add constraint CK_SEM_RECIBO check (no_recibo_cte is null)");
  Resposta(LOTE_1, R::NumeroLote("123"));
  Resposta(RECIBO_123, R::Recibo("103", R::InfRec{}));
  PassoDeixaEsperando("CK_SEM_RECIBO");
  EXPECT_TRUE(ExisteArquivo(OK(LOTE_1)));
  m.reset();
  inst.banco->Executa("alter table MOV_CTE_RET drop constraint CK_SEM_RECIBO");
  CriaMonitor();
  Passo();
  EXPECT_EQ(Coluna("cd_st_recebto_cte", id), "103");
  EXPECT_TRUE(ExisteArquivo(OK(RECIBO_123)));
  EXPECT_FALSE(ExisteArquivo(Retorno(RECIBO_123)));
}

TEST_F(NumeroLote, CTeDesconhecidoLevaOsDoisArquivosParaErro) {
  const int32_t outro = AdicionaCTe(R::CHAVE_2);
  Resposta(LOTE_1, R::NumeroLote("123"));
  Resposta(RECIBO_123, R::Recibo("103", R::InfRec{}));
  Passo();
  EXPECT_TRUE(ExisteArquivo(Erro(LOTE_1)));
  EXPECT_TRUE(ExisteArquivo(Erro(RECIBO_123)));
  EXPECT_EQ(m->iConfirmacaoErro, 1);
  EXPECT_EQ(m->iLotesErro, 1);
  EXPECT_EQ(m->iLotesProcessados, 0);
  EXPECT_EQ(tela.perguntas, std::vector<std::string>{PERGUNTA});
  EXPECT_TRUE(Nula("NO_LOTE_CTE", outro));
  EXPECT_TRUE(Nula("cd_st_recebto_cte", outro));
}

TEST_F(NumeroLote, SemNumeroDeLoteNemCTeProcuraOReciboDeZeros) {
  Resposta(LOTE_1, R::NumeroLote(std::nullopt));
  Resposta("000000000000000-rec.xml", R::Recibo("103", R::InfRec{}));
  Passo();
  EXPECT_TRUE(ExisteArquivo(Erro(LOTE_1)));
  EXPECT_TRUE(ExisteArquivo(Erro("000000000000000-rec.xml")));
  EXPECT_EQ(m->iConfirmacaoErro, 1);
  EXPECT_EQ(m->iLotesErro, 1);
}

TEST_F(NumeroLote, DoisLotesEmOrdemDeNomeESubstituindoOsDeMesmoNome) {
  const int32_t id1 = AdicionaCTe(R::CHAVE_1);
  const int32_t id2 = AdicionaCTe(R::CHAVE_2);
  const std::string lote2 = R::NomeNumeroLote(R::CHAVE_2);
  Resposta(lote2, R::NumeroLote("8"));
  Resposta(LOTE_1, R::NumeroLote("7"));
  EscreveArquivo(OK(LOTE_1), "velho");
  Passo();
  EXPECT_EQ(tela.arquivosMostrados, (std::vector<std::string>{LOTE_1, lote2}));
  EXPECT_EQ(Coluna("NO_LOTE_CTE", id1), "7");
  EXPECT_EQ(Coluna("NO_LOTE_CTE", id2), "8");
  EXPECT_NE(LeTexto(OK(LOTE_1)), "velho");
  EXPECT_EQ(m->iLotesProcessados, 2);
}

TEST_F(NumeroLote, LoteQueNaoENumeroParaOPassoSemGravar) {
  const int32_t id = AdicionaCTe(R::CHAVE_1);
  Resposta(LOTE_1, R::NumeroLote("12a"));
  PassoDeixaEsperando("inv");
  EXPECT_TRUE(Nula("NO_LOTE_CTE", id));
  EXPECT_TRUE(ExisteArquivo(Retorno(LOTE_1)));
}

TEST_F(NumeroLote, ArquivoMalFormadoFicaEmRetorno) {
  AdicionaCTe(R::CHAVE_1);
  Resposta(LOTE_1, "<DadosLoteCTe><NumeroLoteGerado>1</Numero");
  PassoDeixaEsperando("XML");
  EXPECT_TRUE(ExisteArquivo(Retorno(LOTE_1)));
}

TEST_F(NumeroLote, TextoDoReciboNaoViraComando) {
  const int32_t id = AdicionaCTe(R::CHAVE_1);
  const int32_t outro = AdicionaCTe(R::CHAVE_2);
  Resposta(LOTE_1, R::NumeroLote("123"));
  R::InfRec infRec;
  infRec.tMed = "1 where 1=1 --";
  Resposta(RECIBO_123, R::Recibo("103", infRec));
  PassoDeixaEsperando("inv");
  // The lot number was recorded and its file is done; the receipt wrote nothing and waits by
  // itself, tried again at the next passes and never set aside for a value.
  EXPECT_EQ(Coluna("NO_LOTE_CTE", id), "123");
  EXPECT_TRUE(Nula("cd_st_recebto_cte", id));
  EXPECT_TRUE(Nula("cd_st_recebto_cte", outro));
  EXPECT_TRUE(Nula("NO_LOTE_CTE", outro));
  EXPECT_TRUE(ExisteArquivo(Retorno(RECIBO_123)));
  EXPECT_TRUE(ExisteArquivo(OK(LOTE_1)));
  EXPECT_EQ(m->Esperas.Esperas().count(Retorno(RECIBO_123)), 1u);
  // Mended by hand, the receipt is recorded at the next pass without its lot file.
  infRec.tMed = "1";
  Resposta(RECIBO_123, R::Recibo("103", infRec));
  Passo();
  EXPECT_EQ(Coluna("cd_st_recebto_cte", id), "103");
  EXPECT_TRUE(ExisteArquivo(OK(RECIBO_123)));
  EXPECT_EQ(tela.iEsperando, 0u);
}

TEST_F(NumeroLote, TextoDoNomeNaoViraComando) {
  const int32_t id = AdicionaCTe(R::CHAVE_1);
  // The document number's place holds "00 or 1=1": a look-up built from it would find any CT-e.
  const std::string nome = "CTe" + R::CHAVE_1.substr(0, 25) + "00 or 1=1" + "1" + "00001234" +
                           "5" + "-num-lot.xml";
  ASSERT_EQ(nome.size(), 59u);
  Resposta(nome, R::NumeroLote("123"));
  PassoDeixaEsperando("inv");
  EXPECT_TRUE(Nula("NO_LOTE_CTE", id));
  EXPECT_TRUE(ExisteArquivo(Retorno(nome)));
}
