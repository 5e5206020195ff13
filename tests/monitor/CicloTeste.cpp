// One pass of the monitor in this process, on a real database and real folders.
#include <gtest/gtest.h>

#include <filesystem>

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
  tela.bResposta = false;
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

TEST(Ciclo, ArquivoDeErroQueNaoSaiContaUmaVezPorPasso) {
  InstalacaoTeste inst;
  const std::string cnpj = "11111111000111";
  inst.banco->AdicionaEmpresa(cnpj);
  TelaTeste tela;
  auto m = inst.Monitor(tela);
  m->ProcessaEmpresas();
  EscreveArquivo(inst.Retorno(cnpj) + "a-cte.err", "x");
  EscreveArquivo(inst.Retorno(cnpj) + "b-cte.err", "x");
  fs::create_directories(inst.Erro(cnpj) + "a-cte.err");  // the move cannot replace a folder
  m->ProcessaEmpresas();
  EXPECT_EQ(m->iConfirmacaoErro, 2);
  EXPECT_TRUE(fs::exists(inst.Retorno(cnpj) + "a-cte.err"));
  EXPECT_TRUE(fs::is_regular_file(inst.Erro(cnpj) + "b-cte.err"));
  m->ProcessaEmpresas();
  EXPECT_EQ(m->iConfirmacaoErro, 3);
  EXPECT_TRUE(m->Timer1Ativo());
}

TEST(Ciclo, PerguntaRespondidaSimAbreOArquivoDeErro) {
  InstalacaoTeste inst;
  const std::string cnpj = "11111111000111";
  inst.banco->AdicionaEmpresa(cnpj);
  fs::create_directories(inst.Retorno(cnpj));
  EscreveArquivo(inst.Retorno(cnpj) + "CTe1-sit.err", "x");
  TelaTeste tela;
  tela.bResposta = true;
  auto m = inst.Monitor(tela);
  std::vector<UnProcessos::PedidoExecucao> pedidos;
  m->Executa = [&](const UnProcessos::PedidoExecucao& p) {
    pedidos.push_back(p);
    return true;
  };
  m->ProcessaEmpresas();
  ASSERT_EQ(pedidos.size(), 1u);
  EXPECT_EQ(pedidos[0].sArquivo, "explorer");
  EXPECT_EQ(pedidos[0].sParametros, inst.Erro(cnpj) + "CTe1-sit.err");
  EXPECT_FALSE(pedidos[0].bOculto);
  EXPECT_EQ(tela.perguntas.at(0),
            "Ocorreu um erro na geração deste CT-e. Deseja visualizar o arquivo de erro?");
}

TEST(Ciclo, PassoQueFalhaParaOCicloEmSilencioEReiniciarRetoma) {
  InstalacaoTeste inst;
  const std::string cnpj = "11111111000111";
  inst.banco->AdicionaEmpresa(cnpj);
  PastaTemporaria outra;
  ErpSubstituto erp(outra.Caminho(), "quelvixEmpresa.exe");
  TelaTeste tela;
  auto m = inst.Monitor(tela);
  m->ProcessaEmpresas();
  ASSERT_TRUE(m->Timer1Ativo());
  const std::string quebrado = inst.Retorno(cnpj) + "CTe35120612345678000199570010000000011000000019-eve.xml";
  EscreveArquivo(quebrado, "<retEventoCTe><infEvento>");
  m->Timer1Timer();
  EXPECT_FALSE(m->Timer1Ativo());
  EXPECT_FALSE(m->IBD_BancoDados->Conectado());
  EXPECT_TRUE(tela.notificacoes.empty());
  ASSERT_EQ(tela.ciclosParados.size(), 2u);  // cleared by the good pass, then the stop
  EXPECT_NE(tela.ciclosParados.back(), "");
  EXPECT_TRUE(fs::exists(quebrado));

  fs::remove(quebrado);
  m->iLotesErro = 5;
  m->BitBtn3Click();  // "Reiniciar" reconnects without a word and runs the cycle again
  EXPECT_TRUE(m->Timer1Ativo());
  EXPECT_TRUE(m->IBD_BancoDados->Conectado());
  EXPECT_EQ(m->iLotesErro, 0);
  EXPECT_TRUE(tela.notificacoes.empty());
  EXPECT_EQ(tela.ciclosParados.back(), "");
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

TEST(Ciclo, ProcessoDoErpEmQualquerCaixa) {
  InstalacaoTeste inst;
  TelaTeste tela;
  auto m = inst.Monitor(tela);
  EXPECT_FALSE(m->ProcessoEmExecucao("quelvixEmpresa4.exe"));
  PastaTemporaria outra;
  ErpSubstituto erp(outra.Caminho(), "QUELVIXEMPRESA4.EXE");
  EXPECT_TRUE(m->ProcessoEmExecucao("quelvixEmpresa4.exe"));
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
