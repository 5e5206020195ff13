// One pass of the monitor in this process, on a real database and real folders.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <utility>

#include "platform/UnTrava.h"
#include "suporte/InstalacaoTeste.h"
#include "suporte/ProcessoTeste.h"

namespace fs = std::filesystem;

namespace {

int QuantidadeArquivos(const std::string& pasta) {
  int n = 0;
  for (const auto& e : fs::directory_iterator(pasta))
    if (e.is_regular_file()) ++n;
  return n;
}

}  // namespace

TEST(Ciclo, SoEmitentesComCnpjGanhamPastasComoGravados) {
  InstalacaoTeste inst;
  inst.banco->AdicionaEmpresa("11111111000111");
  inst.banco->AdicionaEmpresa("123.456.789-09");
  inst.banco->AdicionaEmpresa("22222222000122", false);
  inst.banco->AdicionaEmpresa("");
  TelaTeste tela;
  auto m = inst.Monitor(tela);
  m->ProcessaEmpresas();
  EXPECT_TRUE(m->Timer1Ativo());
  EXPECT_TRUE(fs::is_directory(inst.RetornoOK("11111111000111")));
  EXPECT_TRUE(fs::is_directory(inst.Erro("123.456.789-09")));
  EXPECT_TRUE(fs::is_directory(inst.sRaizCTe + "123.456.789-09/Envio"));
  EXPECT_FALSE(fs::exists(inst.sRaizCTe + "22222222000122"));
  int pastas = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(inst.sRaizCTe)) ++pastas;
  EXPECT_EQ(pastas, 2);
  EXPECT_EQ(tela.iMostrasContadores, 2);  // once per company
  EXPECT_TRUE(tela.notificacoes.empty());
}

TEST(Ciclo, RaizQueNaoExisteNaoCriaNadaNemAvisa) {
  InstalacaoTeste inst;
  inst.banco->AdicionaEmpresa("11111111000111");
  inst.banco->DefineRaizCTe(inst.pasta / "naoexiste");
  TelaTeste tela;
  auto m = inst.Monitor(tela);
  m->ProcessaEmpresas();
  EXPECT_TRUE(m->Timer1Ativo());
  EXPECT_FALSE(fs::exists(inst.pasta / "naoexiste"));
  EXPECT_TRUE(tela.notificacoes.empty());
  EXPECT_TRUE(tela.perguntas.empty());
}

TEST(Ciclo, ArquivosDeErroContadosEMovidosParaErro) {
  InstalacaoTeste inst;
  const std::string cnpj = "11111111000111";
  inst.banco->AdicionaEmpresa(cnpj);
  const std::string r = inst.Retorno(cnpj);
  const std::string comNamespace = "<retEnviCte xmlns=\"http://www.portalfiscal.inf.br/cte\">";
  for (const char* nome : {"CTe000000000000001-pro-rec.err", "CTe000000000000002-rec.err",
                           "CTea-sit.err", "CTeb-sit.err", "CTec-sit.err.txt", "x-cte.err",
                           "yCTe.err", "CTe-env-loterps.err", "CTe1-eve.err"})
    EscreveArquivo(r + nome, "erro do transmissor");
  // Without "CTe" in the name the content decides.
  EscreveArquivo(r + "000000000000003-rec.err", comNamespace);
  EscreveArquivo(r + "000000000000004-rec.err", "erro do transmissor");
  EscreveArquivo(r + "leiame.txt", comNamespace);
  // Answers to requests named by the document's access key, in the transmitter's plain text:
  // a CT-e's (model 57, one with the alphanumeric CNPJ) are error files, an NF-e's (55) of
  // the same company are left alone.
  const std::string textoTransmissor =
      "Versão UniNFe|5.1.0.0\r\nErrorCode|2\r\nMessage|Falha na conexão com a SEFAZ\r\n";
  const std::string cte = "35260612345678000199570010000012341000012345";
  const std::string cteAlfanumerico = "3526061ABCD2EF000135570010000012351000012351";
  const std::string nfe = "35260612345678000199550010000012341000012345";
  for (const std::string& nome : {cte + "-sit.err", cte + "-pro-rec.err", cteAlfanumerico + "_01-eve.err",
                                  nfe + "-sit.err", nfe + "-pro-rec.err", nfe + "_01-eve.err"})
    EscreveArquivo(r + nome, textoTransmissor);
  TelaTeste tela;
  auto m = inst.Monitor(tela);
  m->ProcessaEmpresas();
  EXPECT_EQ(m->iLotesErro, 4);          // "-pro-rec.err" is taken by the receipt member first
  EXPECT_EQ(m->iConsultasCTeErro, 6);   // four situation errors and two event errors
  EXPECT_EQ(m->iConfirmacaoErro, 3);    // -cte.err, CTe.err and env-loterps.err, once each
  EXPECT_EQ(tela.perguntas.size(), 13u);
  EXPECT_EQ(QuantidadeArquivos(inst.Erro(cnpj)), 13);
  EXPECT_TRUE(fs::exists(inst.Erro(cnpj) + cte + "-sit.err"));
  EXPECT_TRUE(fs::exists(inst.Erro(cnpj) + cte + "-pro-rec.err"));
  EXPECT_TRUE(fs::exists(inst.Erro(cnpj) + cteAlfanumerico + "_01-eve.err"));
  EXPECT_EQ(QuantidadeArquivos(r), 5);
  EXPECT_TRUE(fs::exists(r + "leiame.txt"));
  EXPECT_TRUE(fs::exists(r + "000000000000004-rec.err"));
  EXPECT_TRUE(fs::exists(r + nfe + "-sit.err"));
  EXPECT_TRUE(fs::exists(r + nfe + "-pro-rec.err"));
  EXPECT_TRUE(fs::exists(r + nfe + "_01-eve.err"));
  m->ProcessaEmpresas();  // what stays is met again, and stays again
  EXPECT_EQ(m->iLotesErro, 4);
  EXPECT_EQ(QuantidadeArquivos(r), 5);
}

TEST(Ciclo, ArquivoDeErroQueNaoSaiEUmErroSoContadoEPerguntadoUmaVez) {
  InstalacaoTeste inst;
  const std::string cnpj = "11111111000111";
  inst.banco->AdicionaEmpresa(cnpj);
  TelaTeste tela;
  auto m = inst.Monitor(tela);
  m->ProcessaEmpresas();
  EscreveArquivo(inst.Retorno(cnpj) + "a-cte.err", "x");
  EscreveArquivo(inst.Retorno(cnpj) + "b-cte.err", "x");
  fs::create_directories(inst.Erro(cnpj) + "a-cte.err");  // the move cannot replace a folder
  for (int passo = 0; passo < 3; ++passo) m->ProcessaEmpresas();
  EXPECT_EQ(m->iConfirmacaoErro, 2);
  EXPECT_EQ(tela.perguntas.size(), 2u);
  EXPECT_TRUE(fs::exists(inst.Retorno(cnpj) + "a-cte.err"));
  EXPECT_TRUE(fs::is_regular_file(inst.Erro(cnpj) + "b-cte.err"));
  EXPECT_EQ(tela.iEsperando, 1u);  // shown as waiting for its move
  // Once the name is free the move goes through, without a second count or question.
  fs::remove(inst.Erro(cnpj) + "a-cte.err");
  m->ProcessaEmpresas();
  EXPECT_TRUE(fs::is_regular_file(inst.Erro(cnpj) + "a-cte.err"));
  EXPECT_EQ(m->iConfirmacaoErro, 2);
  EXPECT_EQ(tela.perguntas.size(), 2u);
  EXPECT_EQ(tela.iEsperando, 0u);
  EXPECT_TRUE(m->Timer1Ativo());
}

TEST(Ciclo, PerguntaNaoSeguraOPassoEOSimAbreOArquivoDeErroDepois) {
  InstalacaoTeste inst;
  const std::string cnpj = "11111111000111";
  inst.banco->AdicionaEmpresa(cnpj);
  fs::create_directories(inst.Retorno(cnpj));
  EscreveArquivo(inst.Retorno(cnpj) + "CTe1-sit.err", "x");
  EscreveArquivo(inst.Retorno(cnpj) + "CTe2-eve.err", "x");
  TelaTeste tela;
  auto m = inst.Monitor(tela);
  std::vector<UnProcessos::PedidoExecucao> pedidos;
  m->Executa = [&](const UnProcessos::PedidoExecucao& p) {
    pedidos.push_back(p);
    return true;
  };
  // Nobody answers: the pass moves both files all the same and lets go of the company.
  m->ProcessaEmpresas();
  EXPECT_EQ(tela.perguntas,
            std::vector<std::string>(
                2, "Ocorreu um erro na geração deste CT-e. Deseja visualizar o arquivo de erro?"));
  EXPECT_TRUE(fs::is_regular_file(inst.Erro(cnpj) + "CTe1-sit.err"));
  EXPECT_TRUE(fs::is_regular_file(inst.Erro(cnpj) + "CTe2-eve.err"));
  EXPECT_TRUE(pedidos.empty());
  UnTrava::Trava outraEstacao;
  EXPECT_EQ(outraEstacao.Obtem(inst.sRaizCTe + cnpj + "/MonitorCTe.lock"),
            UnTrava::Trava::Resultado::Obtida);
  outraEstacao.Libera();
  // The answer comes later and opens each file it was asked about.
  tela.RespondePendentes(true);
  ASSERT_EQ(pedidos.size(), 2u);
  EXPECT_EQ(pedidos[0].sArquivo, "explorer");
  EXPECT_EQ(pedidos[0].sParametros, inst.Erro(cnpj) + "CTe1-sit.err");
  EXPECT_FALSE(pedidos[0].bOculto);
  EXPECT_EQ(pedidos[1].sParametros, inst.Erro(cnpj) + "CTe2-eve.err");
}

TEST(Ciclo, PassoQueNaoPodeRodarParaOCicloQueTentaDeNovoSozinhoOuNoReiniciar) {
  InstalacaoTeste inst;
  const std::string cnpj = "11111111000111";
  inst.banco->AdicionaEmpresa(cnpj);
  PastaTemporaria outra;
  ErpSubstituto erp(outra.Caminho(), "quelvixEmpresa.exe");
  TelaTeste tela;
  auto m = inst.Monitor(tela);
  m->ProcessaEmpresas();
  ASSERT_TRUE(m->Timer1Ativo());
  // A broken answer is that file's problem only: the cycle goes on.
  const std::string quebrado = inst.Retorno(cnpj) + "CTe35120612345678000199570010000000011000000019-eve.xml";
  EscreveArquivo(quebrado, "<retEventoCTe><infEvento>");
  m->Timer1Timer();
  EXPECT_TRUE(m->Timer1Ativo());
  EXPECT_TRUE(fs::exists(quebrado));

  // Without its parameter table no pass can run: the cycle stops, visibly and silently.
  m->IBD_BancoDados->Desconecta();  // the next pass reconnects; the table is free to drop
  inst.banco->Executa("drop table tab_parametro");
  m->Timer1Timer();
  EXPECT_FALSE(m->Timer1Ativo());
  EXPECT_FALSE(m->IBD_BancoDados->Conectado());
  EXPECT_TRUE(tela.notificacoes.empty());
  EXPECT_NE(tela.ciclosParados.back(), "");
  const size_t paradas = tela.ciclosParados.size();
  m->Timer1Timer();  // within the minute: only the checks run
  EXPECT_EQ(tela.ciclosParados.size(), paradas);
  EXPECT_FALSE(m->IBD_BancoDados->Conectado());

  inst.banco->Executa("create table TAB_PARAMETRO (ID_PARAMETRO integer not null primary key, "
                      "NM_CAMINHO_RAIZ_CTE varchar(255))");
  inst.banco->Executa("insert into TAB_PARAMETRO (ID_PARAMETRO) values (1)");
  inst.banco->DefineRaizCTe(inst.sRaizCTe);
  // The time of day jumps while the cycle is stopped: an hour forward brings no retry before
  // its minute, an hour back (summer time undone by hand) does not hold it back either.
  int64_t agora = m->Monotonico();
  m->Monotonico = [&] { return agora; };
  const int64_t hora = m->Hora();
  m->Hora = [&] { return hora + 3600 * 1000; };
  agora += 1000;
  m->Timer1Timer();
  EXPECT_FALSE(m->Timer1Ativo());
  m->Hora = [&] { return hora - 3600 * 1000; };
  agora += m->iRetomaCicloMs;  // the minute has passed
  m->Timer1Timer();
  EXPECT_TRUE(m->Timer1Ativo());
  EXPECT_EQ(tela.ciclosParados.back(), "");
  m->Monotonico = UnLocalidade::MonotonicoMilissegundos;

  m->IBD_BancoDados->Desconecta();
  inst.banco->Executa("drop table tab_parametro");
  m->Timer1Timer();
  ASSERT_FALSE(m->Timer1Ativo());
  inst.banco->Executa("create table TAB_PARAMETRO (ID_PARAMETRO integer not null primary key, "
                      "NM_CAMINHO_RAIZ_CTE varchar(255))");
  inst.banco->Executa("insert into TAB_PARAMETRO (ID_PARAMETRO) values (1)");
  inst.banco->DefineRaizCTe(inst.sRaizCTe);
  m->iRetomaCicloMs = 60000;
  m->iLotesErro = 5;
  m->BitBtn3Click();  // "Reiniciar" reconnects without a word and runs the cycle again
  EXPECT_TRUE(m->Timer1Ativo());
  EXPECT_TRUE(m->IBD_BancoDados->Conectado());
  EXPECT_EQ(m->iLotesErro, 0);
  EXPECT_TRUE(tela.notificacoes.empty());
  EXPECT_EQ(tela.ciclosParados.back(), "");
}

TEST(Ciclo, ReiniciarDuranteUmPassoRodaLogoDepoisDele) {
  InstalacaoTeste inst;
  inst.banco->AdicionaEmpresa("11111111000111");
  PastaTemporaria outra;
  ErpSubstituto erp(outra.Caminho(), "quelvixEmpresa.exe");
  TelaTeste tela;
  auto m = inst.Monitor(tela);
  m->ProcessaEmpresas();
  m->iLotesErro = 3;
  bool bApertado = false;
  tela.aoProcessarMensagens = [&] {
    if (m->PassoEmExecucao() && !std::exchange(bApertado, true)) m->BitBtn3Click();
  };
  const size_t passos = tela.ciclosParados.size();  // each pass ends by clearing the stop
  m->Timer1Timer();
  EXPECT_TRUE(bApertado);
  EXPECT_EQ(tela.ciclosParados.size() - passos, 2u);  // the tick's pass and that of "Reiniciar"
  EXPECT_EQ(m->iLotesErro, 0);
  EXPECT_TRUE(m->Timer1Ativo());
}

TEST(Ciclo, ErroNoReiniciarVaiParaAExibicaoPadrao) {
  InstalacaoTeste inst;
  TelaTeste tela;
  inst.banco->Executa("drop table tab_parametro");
  auto m = inst.Monitor(tela);
  m->BitBtn3Click();
  EXPECT_FALSE(m->Timer1Ativo());
  ASSERT_EQ(tela.notificacoes.size(), 1u);
  EXPECT_EQ(tela.notificacoes[0].sTitulo, "quelvix Monitor CT-e");
  EXPECT_EQ(tela.notificacoes[0].iFlags, 16u);
  EXPECT_EQ(tela.notificacoes[0].sTexto.back(), '.');
}

TEST(Ciclo, ZerarValoresLimpaContadoresEArquivo) {
  InstalacaoTeste inst;
  TelaTeste tela;
  auto m = inst.Monitor(tela);
  m->iCTeAutorizada = 1000;
  m->MostraContadores();
  EXPECT_EQ(tela.contadores[6].size(), 5u);  // "1" + separator + "000"
  tela.sArquivo = "x";
  m->BitBtn2Click();
  for (const auto& v : tela.contadores) EXPECT_EQ(v, "0");
  EXPECT_EQ(tela.sArquivo, "");
  EXPECT_FALSE(m->Timer1Ativo());  // the cycle is not touched
}

TEST(Ciclo, SoUmaListaDeProcessosLidaSemOErpEncerraOMonitor) {
  InstalacaoTeste inst;
  TelaTeste tela;
  auto m = inst.Monitor(tela);
  m->Log.Inicia(inst.sPastaErp);
  EXPECT_EQ(m->ProcessoEmExecucao("quelvixEmpresa4.exe"), false);
  {
    PastaTemporaria outra;
    ErpSubstituto erp(outra.Caminho(), "QUELVIXEMPRESA4.EXE");
    EXPECT_EQ(m->ProcessoEmExecucao("quelvixEmpresa4.exe"), true);
  }
  // A list the system cannot give says nothing about the ERP: tick after tick the monitor
  // goes on, after taking the list again, and the log says so once.
  int iLeituras = 0;
  m->ListaProcessos = [&]() -> std::optional<std::vector<std::string>> {
    ++iLeituras;
    return std::nullopt;
  };
  for (int tick = 0; tick < 3; ++tick) EXPECT_NO_THROW(m->VerificaContinuidade());
  EXPECT_EQ(iLeituras, 9);
  EXPECT_TRUE(tela.notificacoes.empty());
  // A failure that passes on a second try is no failure; a list read without the ERP ends it
  // (a list of its own: other tests may run a stand-in ERP meanwhile).
  int iFalhas = 2;
  m->ListaProcessos = [&]() -> std::optional<std::vector<std::string>> {
    if (iFalhas-- > 0) return std::nullopt;
    return std::vector<std::string>{"/sbin/init", "C:\\Windows\\explorer.exe"};
  };
  try {
    m->VerificaContinuidade();
    ADD_FAILURE() << "the monitor did not end";
  } catch (const UnTela::EFimMonitor& fim) {
    EXPECT_EQ(fim.iCodigoSaida, 0);
  }
  const std::string log = LeTexto(m->Log.ArquivoDoDia(UnLocalidade::Agora()));
  EXPECT_EQ(Ocorrencias(log, "lista de processos ilegível"), 1) << log;
  EXPECT_EQ(Ocorrencias(log, "lista de processos legível de novo após 3 verificações"), 1) << log;
}

TEST(Ciclo, SoAPrimeiraLinhaExataDesconecta) {
  InstalacaoTeste inst;
  TelaTeste tela;
  auto m = inst.Monitor(tela);
  const std::string flag = inst.sPastaDados + "Conectado.txt";
  EXPECT_TRUE(m->ConexaoPermitida());
  for (const char* texto : {"desconectar", " DESCONECTAR", "DESCONECTAR ", "OK\r\nDESCONECTAR", ""}) {
    EscreveArquivo(flag, texto);
    EXPECT_TRUE(m->ConexaoPermitida()) << texto;
  }
  for (const char* texto : {"DESCONECTAR", "DESCONECTAR\r\nOK", "DESCONECTAR\n"}) {
    EscreveArquivo(flag, texto);
    EXPECT_FALSE(m->ConexaoPermitida()) << texto;
  }
  fs::remove(flag);
  fs::create_directory(flag);  // there, but not a readable file: the monitor goes on
  EXPECT_TRUE(m->ConexaoPermitida());
  EXPECT_TRUE(tela.notificacoes.empty());
}

TEST(Ciclo, SemBibliotecaDoFirebirdReiniciarMostraOErroSemCair) {
  InstalacaoTeste inst;
  TelaTeste tela;
  TMonitorCTe m(tela);
  m.sCaminhoExecutavel = inst.sExecutavel;
  m.sBibliotecasFirebird = {"libnaoexiste.so.9"};
  m.TrataEvento([&] { m.FormCreate(); });
  ASSERT_EQ(tela.notificacoes.size(), 1u);
  EXPECT_EQ(tela.notificacoes[0].sTitulo, "quelvix Monitor CT-e");
  EXPECT_NE(tela.notificacoes[0].sTexto.find("libnaoexiste.so.9"), std::string::npos);
  for (const auto& v : tela.contadores) EXPECT_EQ(v, "0");
  m.BitBtn3Click();
  ASSERT_EQ(tela.notificacoes.size(), 2u);
  EXPECT_EQ(tela.notificacoes[1].sTexto, "Não há conexão com o banco de dados.");
  EXPECT_FALSE(m.Timer1Ativo());
}
