// Processing-result files and the printing of authorised CT-e through a whole pass.
#include "CenarioProcessamento.h"

#include <filesystem>

#include "platform/UnXml.h"
#include "suporte/PastaTemporaria.h"

namespace R = RespostasTeste;

namespace {

const std::string PERGUNTA =
    "Ocorreu um erro na geração deste CT-e. Deseja visualizar o arquivo de erro?";
const std::string PRO_1 = "351000012345678-pro-rec.xml";
const std::string PRO_2 = "351000012345679-pro-rec.xml";

R::InfProt InfProtDe(const std::string& chave, R::Texto cStat = "100",
                     R::Texto nProt = "135120000012345") {
  R::InfProt p;
  p.chCTe = chave;
  p.cStat = std::move(cStat);
  p.nProt = std::move(nProt);
  return p;
}

class Protocolo : public CenarioProcessamento {
 protected:
  std::string Parametros(const std::string& arquivo) const {
    return " ARQUIVO=\"" + arquivo + "\" COPIAS=1 SAIDAERROS=A CONFIGURACAO=\"" + CNPJ + "\"";
  }
};

}  // namespace

TEST_F(Protocolo, AutorizadoGravaMoveEImprime) {
  const int32_t id = AdicionaCTe(R::CHAVE_1);
  const std::string autorizado = ArquivoAutorizado(MesAtual(), R::CHAVE_1);
  EscreveArquivo(autorizado, "<cteProc/>");
  Resposta(PRO_1, R::ResultadoLote("100", InfProtDe(R::CHAVE_1)));
  Passo();
  EXPECT_EQ(Coluna("cd_st_lote_cte", id), "100");
  EXPECT_EQ(Coluna("NO_PROTOCOLO_CTE", id), "135120000012345");
  EXPECT_EQ(Coluna("DH_PROCESSA_CTE", id), "2012-06-05 10:11:12.0000");
  EXPECT_EQ(Coluna("CD_ST_CTE", id), "100");
  EXPECT_TRUE(ExisteArquivo(OK(PRO_1)));
  EXPECT_EQ(m->iCTeAutorizada, 1);
  EXPECT_EQ(m->iConfirmacaoErro, 0);
  EXPECT_TRUE(tela.perguntas.empty());
  EXPECT_EQ(tela.arquivosMostrados, std::vector<std::string>{PRO_1});
  ASSERT_EQ(execucoes.size(), 1u);
  EXPECT_EQ(execucoes[0].sVerbo, "open");
  EXPECT_EQ(execucoes[0].sArquivo, "c:\\unimake\\uninfe\\unidanfe.exe");
  EXPECT_EQ(execucoes[0].sParametros, Parametros(autorizado));
  EXPECT_EQ(execucoes[0].sPastaTrabalho, "c:\\unimake\\unidanfe");
  EXPECT_TRUE(execucoes[0].bOculto);
  EXPECT_TRUE(tela.notificacoes.empty());
}

TEST_F(Protocolo, StatusDoLoteDiferenteDe100VaiParaErroSemGravar) {
  const int32_t id = AdicionaCTe(R::CHAVE_1);
  Resposta(PRO_1, R::ResultadoLote("104", InfProtDe(R::CHAVE_1)));
  Resposta(PRO_2, R::ResultadoLote("10 0", InfProtDe(R::CHAVE_1)));
  Passo();
  EXPECT_TRUE(ExisteArquivo(Erro(PRO_1)));
  EXPECT_TRUE(ExisteArquivo(Erro(PRO_2)));
  EXPECT_TRUE(Nula("cd_st_lote_cte", id));
  EXPECT_TRUE(Nula("NO_PROTOCOLO_CTE", id));
  EXPECT_EQ(m->iConfirmacaoErro, 2);
  EXPECT_EQ(m->iCTeErro + m->iCTeAutorizada, 0);
  EXPECT_EQ(tela.perguntas.size(), 2u);
  EXPECT_TRUE(Impressoes().empty());
}

TEST_F(Protocolo, RejeicaoGravaStatusEProtocoloOuNulo) {
  const int32_t id1 = AdicionaCTe(R::CHAVE_1);
  const int32_t id2 = AdicionaCTe(R::CHAVE_2);
  Resposta(PRO_1, R::ResultadoLote("100", InfProtDe(R::CHAVE_1, "301", "135120000099999")));
  Resposta(PRO_2, R::ResultadoLote("100", InfProtDe(R::CHAVE_2, "204", std::nullopt)));
  Passo();
  EXPECT_EQ(Coluna("cd_st_lote_cte", id1), "100");
  EXPECT_EQ(Coluna("CD_ST_CTE", id1), "301");
  EXPECT_EQ(Coluna("NO_PROTOCOLO_CTE", id1), "135120000099999");
  EXPECT_EQ(Coluna("CD_ST_CTE", id2), "204");
  EXPECT_TRUE(Nula("NO_PROTOCOLO_CTE", id2));
  EXPECT_TRUE(ExisteArquivo(Erro(PRO_1)));
  EXPECT_TRUE(ExisteArquivo(Erro(PRO_2)));
  EXPECT_EQ(m->iConfirmacaoErro, 2);
  EXPECT_EQ(m->iCTeErro, 2);
  EXPECT_EQ(tela.perguntas, (std::vector<std::string>{PERGUNTA, PERGUNTA}));
  EXPECT_TRUE(Impressoes().empty());
}

TEST_F(Protocolo, ChaveGravadaSemPrefixoNaoEEncontrada) {
  const int32_t id = AdicionaCTe(R::CHAVE_1, R::CHAVE_1);
  Resposta(PRO_1, R::ResultadoLote("100", InfProtDe(R::CHAVE_1)));
  Passo();
  EXPECT_TRUE(Nula("cd_st_lote_cte", id));
  EXPECT_TRUE(ExisteArquivo(Erro(PRO_1)));
  EXPECT_EQ(m->iConfirmacaoErro, 1);
  EXPECT_EQ(m->iCTeErro, 0);
  EXPECT_EQ(tela.perguntas.size(), 1u);
}

// The synchronous answers of layout 4.00, one root per kind of document, with the key of
// that kind (model 57 or 67).
class RespostaSincrona : public Protocolo,
                         public ::testing::WithParamInterface<std::pair<std::string, std::string>> {};

TEST_P(RespostaSincrona, AutorizacaoGravadaEImpressaRejeicaoVaiParaErro) {
  const auto& [raiz, chave] = GetParam();
  const int32_t id1 = AdicionaCTe(chave);
  const int32_t id2 = AdicionaCTe(R::CHAVE_2);
  const std::string autorizado = ArquivoAutorizado(MesAtual(), chave);
  EscreveArquivo(autorizado, "<cteProc/>");
  // Named after the ERP's own identifier, not a receipt number.
  Resposta("000000000456-pro-rec.xml", R::RetornoCTe("100", InfProtDe(chave), raiz));
  Resposta("000000000457-pro-rec.xml", R::RetornoCTe("539", std::nullopt, raiz));
  Passo();
  EXPECT_EQ(Coluna("CD_ST_CTE", id1), "100");
  EXPECT_EQ(Coluna("NO_PROTOCOLO_CTE", id1), "135120000012345");
  EXPECT_TRUE(ExisteArquivo(OK("000000000456-pro-rec.xml")));
  EXPECT_TRUE(ExisteArquivo(Erro("000000000457-pro-rec.xml")));
  EXPECT_TRUE(Nula("cd_st_lote_cte", id2));
  EXPECT_EQ(m->iCTeAutorizada, 1);
  EXPECT_EQ(m->iConfirmacaoErro, 1);
  ASSERT_EQ(Impressoes().size(), 1u);
  EXPECT_EQ(Impressoes()[0].sParametros, Parametros(autorizado));
}

INSTANTIATE_TEST_SUITE_P(
    Leiaute400, RespostaSincrona,
    ::testing::Values(std::pair<std::string, std::string>{"retCTe", R::CHAVE_1},
                      std::pair<std::string, std::string>{
                          "retCTeOS", "35260612345678000199670010000012341000012345"},
                      std::pair<std::string, std::string>{
                          "retCTeSimp", "35260612345678000199570010000099991000099995"}),
    [](const auto& info) { return info.param.first; });

TEST_F(Protocolo, SemProtCTeParaOPassoEFicaEmRetorno) {
  AdicionaCTe(R::CHAVE_1);
  Resposta(PRO_1, R::ResultadoLote("100", std::nullopt));
  PassoDeixaEsperando("XML");
  EXPECT_TRUE(ExisteArquivo(Retorno(PRO_1)));
}

TEST_F(Protocolo, TextoDoArquivoNaoViraComando) {
  const int32_t id1 = AdicionaCTe(R::CHAVE_1);
  const int32_t id2 = AdicionaCTe(R::CHAVE_2);
  Resposta(PRO_1, R::ResultadoLote(
                      "100", InfProtDe(R::CHAVE_1, "100", "1, cd_st_lote_cte = 666 where 1=1 --")));
  PassoDeixaEsperando("inv");
  EXPECT_TRUE(Nula("cd_st_lote_cte", id1));
  EXPECT_TRUE(Nula("cd_st_lote_cte", id2));
  EXPECT_TRUE(ExisteArquivo(Retorno(PRO_1)));
  EXPECT_EQ(m->iCTeAutorizada + m->iConfirmacaoErro, 0);
  // A date cut from a hostile value stays one literal: the database refuses it instead of
  // running an update without its filter.
  R::InfProt datada = InfProtDe(R::CHAVE_1);
  datada.dhRecbto = "2012-06-05T'--";
  Resposta(PRO_1, R::ResultadoLote("100", datada));
  PassoDeixaEsperando("");
  EXPECT_TRUE(Nula("cd_st_lote_cte", id2));
  EXPECT_TRUE(Nula("cd_st_lote_cte", id1));
}

TEST_F(Protocolo, DuasAutorizacoesEmOrdemImprimemDuasVezes) {
  const int32_t id1 = AdicionaCTe(R::CHAVE_1);
  const int32_t id2 = AdicionaCTe(R::CHAVE_2);
  const std::string a1 = ArquivoAutorizado(MesAtual(), R::CHAVE_1);
  const std::string a2 = ArquivoAutorizado(MesAtual(), R::CHAVE_2);
  EscreveArquivo(a1, "<cteProc/>");
  EscreveArquivo(a2, "<cteProc/>");
  Resposta(PRO_2, R::ResultadoLote("100", InfProtDe(R::CHAVE_2)));
  Resposta(PRO_1, R::ResultadoLote("100", InfProtDe(R::CHAVE_1)));
  EscreveArquivo(OK(PRO_1), "velho");
  Passo();
  EXPECT_EQ(tela.arquivosMostrados, (std::vector<std::string>{PRO_1, PRO_2}));
  EXPECT_EQ(Coluna("CD_ST_CTE", id1), "100");
  EXPECT_EQ(Coluna("CD_ST_CTE", id2), "100");
  EXPECT_NE(LeTexto(OK(PRO_1)), "velho");
  EXPECT_EQ(m->iCTeAutorizada, 2);
  ASSERT_EQ(Impressoes().size(), 2u);
  EXPECT_EQ(Impressoes()[0].sParametros, Parametros(a1));
  EXPECT_EQ(Impressoes()[1].sParametros, Parametros(a2));
}

TEST_F(Protocolo, ImpressaoProcuraNoMesDeEmissaoQuandoNaoEstaNoMesAtual) {
  AdicionaCTe(R::CHAVE_1);
  // CHAVE_1 was issued in June 2012 (digits 3 to 6: 1206).
  const std::string emissao = ArquivoAutorizado("201206", R::CHAVE_1);
  EscreveArquivo(emissao, "<cteProc/>");
  Resposta(PRO_1, R::ResultadoLote("100", InfProtDe(R::CHAVE_1)));
  Passo();
  ASSERT_EQ(Impressoes().size(), 1u);
  EXPECT_EQ(Impressoes()[0].sParametros, Parametros(emissao));
  EXPECT_TRUE(tela.notificacoes.empty());
}

// The document may be written after its answer: the print waits for it, says so once after
// ten minutes without a box, prints it once when it comes, and gives up on one a day late.
TEST_F(Protocolo, DocumentoAtrasadoEsperadoAvisadoUmaVezEImpressoQuandoChega) {
  m->Log.Inicia(inst.sPastaErp);
  int64_t agora = 5000000;
  m->Monotonico = [&] { return agora; };
  AdicionaCTe(R::CHAVE_1);
  AdicionaCTe(R::CHAVE_2);
  const std::string a1 = ArquivoAutorizado(MesAtual(), R::CHAVE_1);
  const std::string a2 = ArquivoAutorizado(MesAtual(), R::CHAVE_2);
  EscreveArquivo(a2, "<cteProc/>");
  Resposta(PRO_1, R::ResultadoLote("100", InfProtDe(R::CHAVE_1)));
  Resposta(PRO_2, R::ResultadoLote("100", InfProtDe(R::CHAVE_2, "100", "135120000099999")));
  Passo();
  ASSERT_EQ(Impressoes().size(), 1u);
  EXPECT_EQ(Impressoes()[0].sParametros, Parametros(a2));
  EXPECT_TRUE(ExisteArquivo(OK(PRO_1)));
  EXPECT_TRUE(ExisteArquivo(OK(PRO_2)));
  EXPECT_EQ(m->iCTeAutorizada, 2);
  EXPECT_TRUE(m->Timer1Ativo());
  EXPECT_EQ(m->RegistroImpressao.Pendentes().size(), 1u);

  agora += 10 * 60 * 1000;
  for (int passo = 0; passo < 3; ++passo) Passo();
  const auto Pendentes = [&] {
    std::vector<UnOcorrencias::Ocorrencia> r;
    for (const auto& o : tela.ocorrencias)
      if (o.sOQue == UnOcorrencias::IMPRESSAO_PENDENTE) r.push_back(o);
    return r;
  };
  ASSERT_EQ(Pendentes().size(), 1u);
  EXPECT_EQ(Pendentes()[0].sDetalhe, "O arquivo de CTe \"" + a1 +
                                         "\" não foi encontrado.  Não pode imprimir o CTe.");
  EXPECT_TRUE(Pendentes()[0].bAlerta);
  EXPECT_EQ(Pendentes()[0].sCTe, "1234");
  EXPECT_TRUE(tela.notificacoes.empty());
  EXPECT_EQ(Impressoes().size(), 1u);

  EscreveArquivo(a1, "<cteProc/>");
  Passo();
  Passo();
  ASSERT_EQ(Impressoes().size(), 2u);
  EXPECT_EQ(Impressoes()[1].sParametros, Parametros(a1));
  EXPECT_TRUE(m->RegistroImpressao.Pendentes().empty());

  // Another authorisation whose document never comes is given up after a day, logged.
  const int32_t id3 = AdicionaCTe("35120612345678000199570010000099991000099999");
  Resposta(PRO_1, R::ResultadoLote("100", InfProtDe("35120612345678000199570010000099991000099999",
                                                      "100", "135120000077777")));
  Passo();
  agora += 24LL * 60 * 60 * 1000;
  Passo();
  EXPECT_TRUE(m->RegistroImpressao.Pendentes().empty());
  EXPECT_NE(LeTexto(m->Log.ArquivoDoDia(UnLocalidade::Agora()))
                .find("impressão do CT-e " + std::to_string(id3) + " abandonada"),
            std::string::npos);
  EXPECT_EQ(Impressoes().size(), 2u);
}

// A printing program that does not start (not installed here) leaves the print pending, told
// once; a record that cannot be written keeps the recorded answer in Retorno. Nothing is
// marked done that was not done, and nothing is printed twice.
TEST_F(Protocolo, ImpressaoQueNaoComecaERegistroSemGravacaoNaoMarcamNada) {
  const int32_t id = AdicionaCTe(R::CHAVE_1);
  const std::string autorizado = ArquivoAutorizado(MesAtual(), R::CHAVE_1);
  EscreveArquivo(autorizado, "<cteProc/>");
  bool bImpressora = false;
  m->Executa = [&](const UnProcessos::PedidoExecucao& pedido) {
    if (pedido.sArquivo == UNIDANFE && !bImpressora) return false;
    execucoes.push_back(pedido);
    return true;
  };
  Resposta(PRO_1, R::ResultadoLote("100", InfProtDe(R::CHAVE_1)));
  for (int passo = 0; passo < 3; ++passo) Passo();
  EXPECT_TRUE(ExisteArquivo(OK(PRO_1)));
  EXPECT_EQ(Impressoes().size(), 0u);
  size_t iAvisos = 0;
  for (const auto& o : tela.ocorrencias)
    iAvisos += o.sDetalhe.find("Não foi possível iniciar o programa de impressão") == 0;
  EXPECT_EQ(iAvisos, 1u);
  EXPECT_EQ(m->RegistroImpressao.Pendentes().size(), 1u);
  // Once the printing program starts, the record cannot be written for a while (a folder
  // under its temporary name): printed once all the same, and written later.
  const std::string temporario = inst.sRaizCTe + CNPJ + "/MonitorCTe-impressao.txt.tmp";
  bImpressora = true;  // installed
  m->Executa = [&](const UnProcessos::PedidoExecucao& pedido) {
    execucoes.push_back(pedido);
    if (pedido.sArquivo == UNIDANFE) std::filesystem::create_directories(temporario);
    return true;
  };
  for (int passo = 0; passo < 3; ++passo) Passo();
  ASSERT_EQ(Impressoes().size(), 1u);
  EXPECT_EQ(Impressoes()[0].sParametros, Parametros(autorizado));
  std::filesystem::remove(temporario);
  Passo();
  EXPECT_EQ(LeTexto(inst.sRaizCTe + CNPJ + "/MonitorCTe-impressao.txt").substr(0, 2), "I|");

  // A folder in the record's place: it can be neither read nor written.
  const std::string registro = inst.sRaizCTe + CNPJ + "/MonitorCTe-impressao.txt";
  std::filesystem::remove(registro);
  std::filesystem::create_directories(registro);
  inst.banco->Executa(" update MOV_CTE_RET set CD_ST_CTE = null");
  Resposta(PRO_2, R::ResultadoLote("100", InfProtDe(R::CHAVE_1, "100", "135120000088888")));
  Passo();
  Passo();
  EXPECT_EQ(Coluna("CD_ST_CTE", id), "100");  // recorded
  EXPECT_TRUE(ExisteArquivo(Retorno(PRO_2)));  // but its print is not lost
  EXPECT_EQ(m->iCTeAutorizada, 1);
  EXPECT_EQ(Impressoes().size(), 1u);
  EXPECT_EQ(tela.iEsperando, 1u);
  std::filesystem::remove(registro);
  Passo();
  EXPECT_TRUE(ExisteArquivo(OK(PRO_2)));
  EXPECT_EQ(m->iCTeAutorizada, 2);
  EXPECT_EQ(Impressoes().size(), 2u);
  EXPECT_EQ(tela.iEsperando, 0u);
}

// A print pending for a day is given up whatever keeps it: the day the printing program is
// installed, weeks of DACTEs do not come out at once.
TEST_F(Protocolo, ProgramaDeImpressaoAusenteUmDiaDesisteENadaSaiQuandoInstalado) {
  int64_t agora = 5000000;
  m->Monotonico = [&] { return agora; };
  AdicionaCTe(R::CHAVE_1);
  EscreveArquivo(ArquivoAutorizado(MesAtual(), R::CHAVE_1), "<cteProc/>");
  bool bInstalado = false;
  m->Executa = [&](const UnProcessos::PedidoExecucao& pedido) {
    if (pedido.sArquivo == UNIDANFE && !bInstalado) return false;
    execucoes.push_back(pedido);
    return true;
  };
  Resposta(PRO_1, R::ResultadoLote("100", InfProtDe(R::CHAVE_1)));
  Passo();
  agora += 25LL * 60 * 60 * 1000;
  Passo();
  bInstalado = true;
  Passo();
  Passo();
  EXPECT_TRUE(Impressoes().empty());
  EXPECT_TRUE(m->RegistroImpressao.Pendentes().empty());
}

TEST_F(Protocolo, ArquivoQueNaoSaiDeRetornoEGravadoContadoEImpressoUmaVez) {
  const int32_t id = AdicionaCTe(R::CHAVE_1);
  const std::string autorizado = ArquivoAutorizado(MesAtual(), R::CHAVE_1);
  EscreveArquivo(autorizado, "<cteProc/>");
  Resposta(PRO_1, R::ResultadoLote("100", InfProtDe(R::CHAVE_1)));
  std::filesystem::create_directories(OK(PRO_1));  // the move cannot replace a folder
  for (int passo = 0; passo < 3; ++passo) Passo();
  EXPECT_TRUE(ExisteArquivo(Retorno(PRO_1)));
  EXPECT_EQ(Coluna("CD_ST_CTE", id), "100");
  EXPECT_EQ(m->iCTeAutorizada, 1);
  EXPECT_EQ(Impressoes().size(), 1u);
  // The row changes meanwhile: the answer, recorded when first met, is not written again.
  inst.banco->Executa(" update MOV_CTE_RET set CD_ST_CTE = 999");
  // A later run, on this workstation or another, knows it too; the file leaves at last.
  std::filesystem::remove(OK(PRO_1));
  CriaMonitor();
  Passo();
  EXPECT_TRUE(ExisteArquivo(OK(PRO_1)));
  EXPECT_FALSE(ExisteArquivo(Retorno(PRO_1)));
  EXPECT_EQ(Coluna("CD_ST_CTE", id), "999");
  EXPECT_EQ(m->iCTeAutorizada, 0);
  ASSERT_EQ(Impressoes().size(), 1u);
  EXPECT_EQ(Impressoes()[0].sParametros, Parametros(autorizado));
}
