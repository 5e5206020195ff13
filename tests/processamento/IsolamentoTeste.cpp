// One file's fault holds back nothing else: a file still being written, a malformed one, a
// re-indented one, and the waits that stay visible.
#include "CenarioProcessamento.h"

#include <sstream>
#include <thread>

#include "shell/UnAjustesCiclo.h"
#include "suporte/PastaTemporaria.h"

namespace R = RespostasTeste;

namespace {

const std::string PRO_1 = "351000012345678-pro-rec.xml";
const std::string CHAVE_3 = "35120612345678000199570010000099991000099999";

struct RespostaDeTipo {
  const char* sTipo;
  std::string sNome;
  std::string sConteudo;
  const char* sColuna;   // filled in by the answer
  const char* sValor;
};

std::vector<RespostaDeTipo> UmaDeCadaTipo() {
  return {
      {"lote", R::NomeNumeroLote(R::CHAVE_1), R::NumeroLote("123"), "NO_LOTE_CTE", "123"},
      {"resultado", PRO_1, R::ResultadoLote("100", R::InfProt{}), "CD_ST_CTE", "100"},
      {"evento", R::NomeEvento(R::CHAVE_1), R::RetornoEvento(R::InfEvento{}), "CD_ST_CAN_CTE",
       "135"},
      {"situacao", R::NomeSituacao(R::CHAVE_1), R::Situacao("100", R::InfProt{}), "CD_ST_CTE",
       "100"},
  };
}

class Isolamento : public CenarioProcessamento {
 protected:
  // The log's lines that name one file.
  size_t LinhasDoLog(const std::string& nome) const {
    std::istringstream log(LeTexto(m->Log.ArquivoDoDia(UnLocalidade::Agora())));
    size_t n = 0;
    for (std::string linha; std::getline(log, linha);) n += linha.find(nome) != std::string::npos;
    return n;
  }
};

}  // namespace

TEST_F(Isolamento, RespostaMeioGravadaEsperaEmSilencioEEGravadaUmaVezCompleta) {
  for (const RespostaDeTipo& r : UmaDeCadaTipo()) {
    SCOPED_TRACE(r.sTipo);
    const int32_t id = AdicionaCTe(R::CHAVE_1);
    EscreveArquivo(ArquivoAutorizado(MesAtual(), R::CHAVE_1), "<cteProc/>");
    // The transmitter has written half of it, just now.
    EscreveArquivo(Retorno(r.sNome), r.sConteudo.substr(0, r.sConteudo.size() / 2));
    Passo();
    EXPECT_TRUE(ExisteArquivo(Retorno(r.sNome)));
    EXPECT_TRUE(Nula(r.sColuna, id));
    EXPECT_EQ(tela.iEsperando, 1u);
    EXPECT_TRUE(tela.situacoes.empty());
    EXPECT_TRUE(tela.notificacoes.empty());
    EXPECT_TRUE(tela.perguntas.empty());
    EXPECT_EQ(tela.ciclosParados.back(), "");

    EscreveArquivo(Retorno(r.sNome), r.sConteudo);
    Passo();
    Passo();
    EXPECT_EQ(Coluna(r.sColuna, id), r.sValor);
    EXPECT_TRUE(ExisteArquivo(OK(r.sNome)));
    EXPECT_EQ(tela.iEsperando, 0u);
    EXPECT_TRUE(tela.situacoes.empty());
    EXPECT_EQ(Impressoes().size(), std::string(r.sTipo) == "resultado" ? 1u : 0u);
    inst.banco->Executa("delete from MOV_CTE_RET");
    inst.banco->Executa("delete from MOV_CTE");
    execucoes.clear();
  }
}

TEST_F(Isolamento, ValoresReindentadosSaoGravadosComOsNumerosCertos) {
  const int32_t id = AdicionaCTe(R::CHAVE_1);
  std::string xml = R::ResultadoLote("100", R::InfProt{});
  for (const std::string valor : {"100", "135120000012345"})
    for (size_t i = xml.find(">" + valor + "<"); i != std::string::npos;
         i = xml.find(">" + valor + "<", i + 1))
      xml.replace(i, valor.size() + 2, ">\r\n\t\t" + valor + "\r\n\t<");
  Resposta(PRO_1, xml);
  Passo();
  EXPECT_EQ(Coluna("cd_st_lote_cte", id), "100");
  EXPECT_EQ(Coluna("CD_ST_CTE", id), "100");
  EXPECT_EQ(Coluna("NO_PROTOCOLO_CTE", id), "135120000012345");
  EXPECT_TRUE(ExisteArquivo(OK(PRO_1)));
}

TEST_F(Isolamento, ArquivoMalFormadoNaoSeguraOsOutrosESaiParaErroQuandoParaDeMudar) {
  m->Esperas = UnArquivosEmEspera::TArquivosEmEspera(5000);
  m->Log.Inicia(inst.sPastaErp);
  const int32_t id1 = AdicionaCTe(R::CHAVE_1);
  const int32_t id2 = AdicionaCTe(R::CHAVE_2);
  const std::string cnpj2 = "22222222000122";
  const int32_t id3 = inst.banco->AdicionaCTe(inst.banco->AdicionaEmpresa(cnpj2), CHAVE_3);
  // The first company's situation answer is broken; its event after it and the other
  // company's answer are fine.
  const std::string quebrado = R::NomeSituacao(R::CHAVE_1);
  Resposta(quebrado, "<retConsSitCTe xmlns=\"http://www.portalfiscal.inf.br/cte\"><cStat>100");
  R::InfEvento cancelamento;
  cancelamento.chCTe = R::CHAVE_2;
  Resposta(R::NomeEvento(R::CHAVE_2), R::RetornoEvento(cancelamento));
  R::InfProt outra;
  outra.chCTe = CHAVE_3;
  R::EscreveResposta(inst.Retorno(cnpj2) + PRO_1, R::ResultadoLote("100", outra));

  Passo();
  EXPECT_EQ(Coluna("CD_ST_CAN_CTE", id2), "135");
  EXPECT_EQ(Coluna("CD_ST_CTE", id3), "100");
  EXPECT_TRUE(ExisteArquivo(Retorno(quebrado)));
  EXPECT_TRUE(Nula("CD_ST_CTE", id1));

  // An answer that arrives later is recorded by a later pass.
  Resposta(R::NomeEvento(R::CHAVE_1), R::RetornoEvento(R::InfEvento{}));
  std::this_thread::sleep_for(
      std::chrono::milliseconds(UnArquivosEmEspera::TArquivosEmEspera::ESPERA_INCOMPLETO_MS));
  Passo();
  EXPECT_EQ(Coluna("CD_ST_CAN_CTE", id1), "135");
  // Unchanged past the incomplete-file window, it is a failure that waits: told once.
  ASSERT_EQ(tela.situacoes.size(), 1u);
  EXPECT_EQ(tela.situacoes[0].rfind(quebrado + ": aguardando (XML mal formado", 0), 0u) << tela.situacoes[0];
  EXPECT_EQ(tela.iEsperando, 1u);
  EXPECT_GE(tela.iIdadeEspera, UnArquivosEmEspera::TArquivosEmEspera::ESPERA_INCOMPLETO_MS);
  EXPECT_EQ(m->iConfirmacaoErro, 0);

  std::this_thread::sleep_for(std::chrono::milliseconds(2100));
  Passo();
  EXPECT_TRUE(ExisteArquivo(Erro(quebrado)));
  EXPECT_FALSE(ExisteArquivo(Retorno(quebrado)));
  EXPECT_EQ(m->iConfirmacaoErro, 1);
  EXPECT_EQ(m->iCTeErro, 1);
  EXPECT_EQ(tela.iEsperando, 0u);
  ASSERT_EQ(tela.situacoes.size(), 2u);
  EXPECT_NE(tela.situacoes[1].find("separado para Erro"), std::string::npos) << tela.situacoes[1];
  // One log line when it started to wait, one when it was set aside, one for the move, and
  // the occurrence that tells a person.
  EXPECT_EQ(LinhasDoLog(quebrado), 4u);
  ASSERT_FALSE(tela.ocorrencias.empty());
  EXPECT_EQ(tela.ocorrencias.back().sOQue, UnOcorrencias::SEPARADO);
  EXPECT_TRUE(tela.ocorrencias.back().bAlerta);
  EXPECT_EQ(tela.ocorrencias.back().sArquivo, Erro(quebrado));
  EXPECT_TRUE(Nula("CD_ST_CTE", id1));
}

// An ERP update adds a rule that refuses every authorisation: the well-formed answers wait in
// Retorno however long, the refusal is told once for them all, and once the rule is gone every
// one is recorded without anybody moving a file.
TEST_F(Isolamento, RecusaDoBancoParaTodosEsperaEmRetornoEGravaQuandoPassa) {
  m->Log.Inicia(inst.sPastaErp);
  int64_t agora = 1000000;
  m->Monotonico = [&] { return agora; };
  const int32_t id1 = AdicionaCTe(R::CHAVE_1);
  const int32_t id2 = AdicionaCTe(R::CHAVE_2);
  for (const std::string& chave : {R::CHAVE_1, R::CHAVE_2})
    EscreveArquivo(ArquivoAutorizado(MesAtual(), chave), "<cteProc/>");
  const std::string pro2 = "351000012345679-pro-rec.xml";
  R::InfProt p1, p2;
  p2.chCTe = R::CHAVE_2;
  Resposta(PRO_1, R::ResultadoLote("100", p1));
  Resposta(pro2, R::ResultadoLote("100", p2));
  inst.banco->Executa("alter table MOV_CTE_RET add constraint CK_AUTORIZACAO check "
                      "(CD_ST_CTE is null or CD_ST_CTE <> 100)");
  // Far past the time that sets a broken file aside.
  for (int passo = 0; passo < 4; ++passo, agora += UnAjustesCiclo::ESPERA_SEPARAR_MS) Passo();
  EXPECT_TRUE(ExisteArquivo(Retorno(PRO_1)));
  EXPECT_TRUE(ExisteArquivo(Retorno(pro2)));
  EXPECT_FALSE(std::filesystem::exists(Erro(PRO_1)));
  EXPECT_TRUE(Nula("CD_ST_CTE", id1));
  EXPECT_EQ(tela.iEsperando, 2u);
  EXPECT_TRUE(m->Timer1Ativo());
  std::vector<std::string> alertas;
  const auto Recusas = [&] {
    alertas.clear();
    for (const auto& o : tela.ocorrencias)
      if (o.sOQue == UnOcorrencias::RECUSA_COMUM) alertas.push_back(o.sDetalhe);
    return alertas.size();
  };
  ASSERT_EQ(Recusas(), 1u);
  EXPECT_EQ(alertas[0].rfind("O banco de dados recusa as respostas (2 arquivos aguardando): ", 0),
            0u) << alertas[0];
  EXPECT_NE(alertas[0].find("CK_AUTORIZACAO"), std::string::npos);
  EXPECT_EQ(tela.sMotivoComum, alertas[0]);
  EXPECT_LE(tela.situacoes.size(), 1u);  // the first file's own line, before it was shared
  EXPECT_TRUE(Impressoes().empty());

  m->IBD_BancoDados->Desconecta();  // the rule's table is free to change
  inst.banco->Executa("alter table MOV_CTE_RET drop constraint CK_AUTORIZACAO");
  Passo();
  EXPECT_EQ(Coluna("CD_ST_CTE", id1), "100");
  EXPECT_EQ(Coluna("CD_ST_CTE", id2), "100");
  EXPECT_TRUE(ExisteArquivo(OK(PRO_1)));
  EXPECT_TRUE(ExisteArquivo(OK(pro2)));
  EXPECT_EQ(Impressoes().size(), 2u);
  EXPECT_EQ(m->iCTeAutorizada, 2);
  EXPECT_EQ(m->iConfirmacaoErro, 0);
  EXPECT_EQ(tela.iEsperando, 0u);
  ASSERT_EQ(Recusas(), 2u);
  EXPECT_EQ(alertas[1].rfind("O banco de dados não recusa mais as respostas", 0), 0u);
  EXPECT_EQ(LinhasDoLog("O banco de dados recusa as respostas"), 1u);
}

// An ERP trigger refuses one CT-e with an exception of its own, which no class names: that
// answer waits, and the same company's other answers, the next company's and those that come
// later are recorded; the cycle never stops.
TEST_F(Isolamento, ExcecaoDeGatilhoDoErpSeguraSoAquelaResposta) {
  int64_t agora = 1000000;
  m->Monotonico = [&] { return agora; };
  const int32_t id1 = AdicionaCTe(R::CHAVE_1);
  const int32_t id2 = AdicionaCTe(R::CHAVE_2);
  const std::string cnpj2 = "22222222000122";
  const int32_t id3 = inst.banco->AdicionaCTe(inst.banco->AdicionaEmpresa(cnpj2), CHAVE_3);
  inst.banco->Executa("create exception E_CTE_BLOQUEADO 'CT-e bloqueado pelo financeiro'");
  inst.banco->Executa("create trigger TG_BLOQUEIO for MOV_CTE_RET before update as begin "
                      "if (new.id_cte = " + std::to_string(id1) +
                      " and new.CD_ST_CTE is not null) then exception E_CTE_BLOQUEADO; end");
  Resposta(R::NomeSituacao(R::CHAVE_1), R::Situacao("100", R::InfProt{}));
  R::InfEvento cancelamento;
  cancelamento.chCTe = R::CHAVE_2;
  Resposta(R::NomeEvento(R::CHAVE_2), R::RetornoEvento(cancelamento));
  R::InfProt outra;
  outra.chCTe = CHAVE_3;
  R::EscreveResposta(inst.Retorno(cnpj2) + R::NomeSituacao(CHAVE_3), R::Situacao("100", outra));
  for (int passo = 0; passo < 3; ++passo, agora += UnAjustesCiclo::ESPERA_SEPARAR_MS) Passo();
  EXPECT_TRUE(ExisteArquivo(Retorno(R::NomeSituacao(R::CHAVE_1))));
  EXPECT_TRUE(Nula("CD_ST_CTE", id1));
  EXPECT_EQ(Coluna("CD_ST_CAN_CTE", id2), "135");
  EXPECT_EQ(Coluna("CD_ST_CTE", id3), "100");
  EXPECT_TRUE(m->Timer1Ativo());
  ASSERT_EQ(tela.situacoes.size(), 1u);
  EXPECT_NE(tela.situacoes[0].find("aguardando (recusado pelo banco de dados)"), std::string::npos);
  EXPECT_NE(tela.situacoes[0].find("CT-e bloqueado pelo financeiro"), std::string::npos);
  // An answer that comes later is recorded too.
  R::InfProt depois;
  depois.chCTe = CHAVE_3;
  depois.nProt = "135120000099999";
  R::EscreveResposta(inst.Retorno(cnpj2) + R::NomeSituacao(CHAVE_3), R::Situacao("100", depois));
  Passo();
  EXPECT_EQ(Coluna("NO_PROTOCOLO_CTE", id3), "135120000099999");
  EXPECT_TRUE(ExisteArquivo(Retorno(R::NomeSituacao(R::CHAVE_1))));
  EXPECT_TRUE(tela.ciclosParados.empty() || tela.ciclosParados.back().empty());
}

// A file left in place costs a listing: its last write is looked at once a minute, and a file
// written since is read again.
TEST(ArquivosMantidos, OlhadoUmaVezPorMinutoELidoDeNovoQuandoMuda) {
  UnArquivosMantidos::TArquivosMantidos mantidos;
  const int64_t MINUTO = UnArquivosMantidos::TArquivosMantidos::VERIFICACAO_MS;
  EXPECT_TRUE(mantidos.Registra("/r/a-sit.xml", 100, 0));
  EXPECT_FALSE(mantidos.Registra("/r/a-sit.xml", 100, 0));  // told once
  EXPECT_TRUE(mantidos.VistoHaPouco("/r/a-sit.xml", MINUTO - 1));
  EXPECT_FALSE(mantidos.VistoHaPouco("/r/b-sit.xml", 0));
  EXPECT_FALSE(mantidos.VistoHaPouco("/r/a-sit.xml", MINUTO));
  EXPECT_TRUE(mantidos.Inalterado("/r/a-sit.xml", 100, MINUTO));
  EXPECT_TRUE(mantidos.VistoHaPouco("/r/a-sit.xml", 2 * MINUTO - 1));  // looked at again
  EXPECT_FALSE(mantidos.Inalterado("/r/a-sit.xml", 101, 2 * MINUTO));  // written since
  EXPECT_FALSE(mantidos.Inalterado("/r/a-sit.xml", std::nullopt, 2 * MINUTO));
  mantidos.EsqueceAusentes("/r/", [](const std::string&) { return false; });
  EXPECT_FALSE(mantidos.Inalterado("/r/a-sit.xml", 100, 3 * MINUTO));  // forgotten: read again
}
