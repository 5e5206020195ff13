// The update check at start-up: a real installation, database and web server on 127.0.0.1.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <optional>

#include "maintenance/UnDataArquivo.h"
#include "maintenance/UnPastaAtualizacao.h"
#include "platform/UnArquivos.h"
#include "platform/UnHttp.h"
#include "platform/UnLocalidade.h"
#include "suporte/ChavesTeste.h"
#include "suporte/InstalacaoTeste.h"
#include "suporte/ServidorHttpTeste.h"

namespace fs = std::filesystem;

namespace {

const std::string DOWNLOAD = "/update/Atualizacao/quelvix%20Empresa/quelvixAtualizador.exe";
const std::string PEDIDO_DOWNLOAD = "GET " + DOWNLOAD + " HTTP/1.1";
const std::string PEDIDO_ASSINATURA = "GET " + DOWNLOAD + ".sig HTTP/1.1";
const std::string MENSAGEM_DOWNLOAD =
    "Não foi possível baixar o aplicativo para atualização inicial do seu sistema. Tente "
    "novamente mais tarde ou entre em contato com o suporte técnico da quelvix.";
// 2024-06-01 12:00:00 UTC: an even second in every time zone of whole minutes.
constexpr int64_t INSTANTE = 1717243200000;

std::string Atualizador() { return "MZ" + std::string(4000, '\x90'); }

// A path written with "/" in the platform's own separator.
std::string P(std::string caminho) {
  for (char& c : caminho)
    if (c == '/') c = UnArquivos::SEPARADOR;
  return caminho;
}

void DefineGravacao(const std::string& caminho, int64_t milissegundosUtc) {
  const std::chrono::sys_time<std::chrono::milliseconds> t{
      std::chrono::milliseconds(milissegundosUtc)};
  fs::last_write_time(caminho, std::chrono::file_clock::from_sys(t));
}

}  // namespace

TEST(PastaAtualizacao, SiblingOfTheServerIniFolder) {
  using UnPastaAtualizacao::RetornaPastaAtualizacao;
  EXPECT_EQ(RetornaPastaAtualizacao(P("//SRV/Empresa/Dados/servidor.ini")),
            P("//SRV/Empresa/Update"));
  EXPECT_EQ(RetornaPastaAtualizacao(P("D:/Dados/servidor.ini")), P("D:/Update"));
  EXPECT_EQ(RetornaPastaAtualizacao(P("/srv/Minha Empresa/Dados/servidor.ini")),
            P("/srv/Minha Empresa/Update"));
  // A separator in the last position is not looked at.
  EXPECT_EQ(RetornaPastaAtualizacao(P("/a/b/c/")), P("/a/Update"));
}

TEST(PastaAtualizacao, FewerThanTwoSeparatorsUseTheIniFolder) {
  using UnPastaAtualizacao::RetornaPastaAtualizacao;
  // A root folder has nothing to sit beside: "Update" goes inside it.
  EXPECT_EQ(RetornaPastaAtualizacao(P("/servidor.ini")), P("/Update"));
  EXPECT_EQ(RetornaPastaAtualizacao(P("D:/servidor.ini")), P("D:/Update"));
  // A relative folder gets its sibling, relative like the ini path.
  EXPECT_EQ(RetornaPastaAtualizacao(P("Dados/servidor.ini")), "Update");
  EXPECT_EQ(RetornaPastaAtualizacao("servidor.ini"), "Update");
  EXPECT_EQ(RetornaPastaAtualizacao(""), "Update");
}

TEST(PastaAtualizacao, ModuleValuesAndParameterForms) {
  TelaTeste tela;
  TMonitorCTe monitor(tela);
  monitor.sCaminhoExecutavel = P("/C:/Sistema Local/Meu Monitor.exe");
  monitor.DefinePastaAtualizacao("ignorado:/banco.fdb",
                                 P("//SRV/Minha Empresa/Dados/servidor.ini"));
  const TValoresAtualizacao& a = monitor.Atualizacao;
  EXPECT_EQ(a.NomeExecutavel, "Meu Monitor.exe");
  EXPECT_EQ(a.PastaExecutavel, P("/C:/Sistema Local"));
  EXPECT_EQ(a.PastaAtualizacao, P("//SRV/Minha Empresa/Update"));
  EXPECT_EQ(a.PastaExecutavelParametro, P("/C:/Sistema\u00A7Local"));
  EXPECT_EQ(a.PastaAtualizacaoParametro, P("//SRV/Minha\u00A7Empresa/Update"));
  EXPECT_EQ(a.PastaAtualizacaoParametro, P("//SRV/Minha\xC2\xA7"
                                           "Empresa/Update"));
}

TEST(DataArquivo, TwoSecondStepsInLocalTime) {
  PastaTemporaria pasta;
  const std::string a = pasta / "a", b = pasta / "b";
  EscreveArquivo(a, "");
  EscreveArquivo(b, "");
  DefineGravacao(a, INSTANTE + 200);
  DefineGravacao(b, INSTANTE + 1900);
  const std::string sTexto = UnDataArquivo::RetornaDataArquivo(a);
  EXPECT_EQ(sTexto, UnDataArquivo::RetornaDataArquivo(b));
  UnLocalidade::DataHora local = UnLocalidade::HoraLocal(INSTANTE + 1900);
  local.iSegundo -= 1;  // the step starts at the even second
  local.iMilissegundo = 0;
  EXPECT_EQ(sTexto, UnLocalidade::FormataDataHoraPadrao(local));
  DefineGravacao(b, INSTANTE + 2000);
  EXPECT_NE(sTexto, UnDataArquivo::RetornaDataArquivo(b));
  EXPECT_EQ(UnDataArquivo::RetornaDataArquivo(pasta / "falta"), "");
}

class NovaVersaoTeste : public testing::Test {
 protected:
  void SetUp() override {
    monitor = inst.Monitor(tela);
    monitor->sEnderecoSite = servidor.Endereco();
    monitor->Executa = [this](const UnProcessos::PedidoExecucao& p) {
      execucoes.push_back(p);
      return true;
    };
  }
  // Exit code of the monitor, or -1 when the check returned and start-up goes on.
  int Verifica(int modo = 1) {
    try {
      monitor->VerificaNovaVersao(*monitor->IBD_BancoDados, modo);
      return -1;
    } catch (const UnTela::EFimMonitor& fim) {
      bFimImediato = fim.bImediato;
      return fim.iCodigoSaida;
    }
  }
  bool ColunasCriadas() {
    return inst.banco->Inteiro(
               "select count(*) from rdb$relation_fields where rdb$relation_name = "
               "'TAB_PARAMETRO' and rdb$field_name = 'VERSAO_ERP'") == 1;
  }
  void PublicaMonitor(int64_t deslocamento) {
    EscreveArquivo(Publicada(), "published build");
    DefineGravacao(inst.sExecutavel, INSTANTE);
    DefineGravacao(Publicada(), INSTANTE + deslocamento);
  }
  std::string Publicada() const { return sUpdate + "/monitor-cte"; }
  // The updater the maker publishes at its address, with the signature of the pair `par`.
  void PublicaAtualizador(const std::string& conteudo, const std::string& par = "fabricante") {
    EscreveArquivo(assinado.Caminho() + "/a.exe", conteudo);
    servidor.Publica(DOWNLOAD, conteudo);
    servidor.Publica(DOWNLOAD + ".sig", ChavesTeste::Assina(assinado / "a.exe", par));
  }
  // An updater already in the update folder, signed beside it.
  void PoeAtualizador(const std::string& pasta = "") {
    const std::string destino = pasta.empty() ? sAtualizador : pasta + "/quelvixAtualizador.exe";
    EscreveArquivo(destino, Atualizador());
    ChavesTeste::Assina(destino);
  }
  PastaTemporaria assinado;

  InstalacaoTeste inst;
  TelaTeste tela;
  ServidorHttpTeste servidor;
  std::unique_ptr<TMonitorCTe> monitor;
  std::vector<UnProcessos::PedidoExecucao> execucoes;
  bool bFimImediato = false;  // the last end asked skips the shutdown steps
  std::string sUpdate = inst.pasta / "Update";
  std::string sAtualizador = inst.pasta / "Update/quelvixAtualizador.exe";
  std::string sDownload = inst.pasta / "Update/oldquelvixAtualizador.exe";
};

TEST_F(NovaVersaoTeste, DebugMarkerSkipsEverything) {
  EscreveArquivo(inst.sPastaErp + "/DebugarDelphi.tmp", "");
  EscreveArquivo(inst.sPastaErp + "/Exec-monitor-cte", "copy");
  EXPECT_EQ(Verifica(), -1);
  ASSERT_EQ(tela.notificacoes.size(), 1u);
  EXPECT_EQ(tela.notificacoes[0].sTexto, "O aplicativo monitor-cte não será atualizado. A pasta " +
                                             inst.sPastaErp +
                                             " está com o arquivo DebugarDelphi.tmp");
  EXPECT_EQ(tela.notificacoes[0].sTitulo, "Aviso do Sistema");
  EXPECT_EQ(tela.notificacoes[0].iFlags, 48u);
  EXPECT_TRUE(servidor.Pedidos().empty());
  EXPECT_FALSE(Existe(sUpdate));
  EXPECT_TRUE(Existe(inst.sPastaErp + "/Exec-monitor-cte"));
  EXPECT_FALSE(ColunasCriadas());
}

TEST_F(NovaVersaoTeste, FailedDownloadEndsTheMonitorBeforeTheColumns) {
  EXPECT_EQ(Verifica(), 1);
  EXPECT_FALSE(bFimImediato);  // an ending after a notice goes through the shutdown steps
  ASSERT_EQ(tela.notificacoes.size(), 1u);
  EXPECT_EQ(tela.notificacoes[0].sTexto, MENSAGEM_DOWNLOAD);
  EXPECT_EQ(tela.notificacoes[0].sTitulo, "Aviso do Sistema");
  EXPECT_EQ(tela.notificacoes[0].iFlags, 0u);
  EXPECT_EQ(servidor.Pedidos(), std::vector<std::string>{PEDIDO_DOWNLOAD});
  EXPECT_TRUE(fs::is_directory(sUpdate));
  EXPECT_FALSE(Existe(sDownload));
  EXPECT_FALSE(Existe(sAtualizador));
  EXPECT_FALSE(ColunasCriadas());
  EXPECT_TRUE(execucoes.empty());
}

TEST_F(NovaVersaoTeste, ErrorPageServedAsSuccessIsNotInstalled) {
  for (const std::string& pagina :
       {std::string("<html><body>Servico indisponivel</body></html>"),
        "<html>" + std::string(5000, ' ') + "</html>", "MZ" + std::string(1000, '\0')}) {
    tela.notificacoes.clear();
    servidor.Publica(DOWNLOAD, pagina);
    EXPECT_EQ(Verifica(), 1);
    ASSERT_EQ(tela.notificacoes.size(), 1u);
    EXPECT_EQ(tela.notificacoes[0].sTexto.rfind(MENSAGEM_DOWNLOAD + " A assinatura", 0), 0u);
    EXPECT_FALSE(Existe(sDownload));
    EXPECT_FALSE(Existe(sAtualizador));
  }
  EXPECT_FALSE(ColunasCriadas());
  // The next start tries again, and a real program is taken.
  PublicaAtualizador(Atualizador());
  PublicaMonitor(0);
  EXPECT_EQ(Verifica(), -1);
  EXPECT_EQ(LeTexto(sAtualizador), Atualizador());
}

TEST_F(NovaVersaoTeste, DownloadedUpdaterIsPutInPlaceAndColumnsAreChecked) {
  PublicaAtualizador(Atualizador());
  PublicaMonitor(0);
  EXPECT_EQ(Verifica(), -1);
  EXPECT_EQ(LeTexto(sAtualizador), Atualizador());
  EXPECT_EQ(LeTexto(sAtualizador + ".sig"), LeTexto(assinado / "a.exe.sig"));
  EXPECT_FALSE(Existe(sDownload));
  EXPECT_FALSE(Existe(sDownload + ".sig"));
  EXPECT_TRUE(tela.notificacoes.empty());
  EXPECT_TRUE(tela.avisos.empty());
  EXPECT_TRUE(execucoes.empty());
  EXPECT_TRUE(ColunasCriadas());
  EXPECT_EQ(monitor->Atualizacao.VersaoERP, "Versao Inicial");
  // Present now: the next start asks the server nothing.
  EXPECT_EQ(Verifica(), -1);
  EXPECT_EQ(servidor.Pedidos(), (std::vector<std::string>{PEDIDO_DOWNLOAD, PEDIDO_ASSINATURA}));
}

// Only what the maker signed is placed: every other download is refused, told once, deleted,
// and ends the monitor as a failed download does; the next start tries again.
TEST_F(NovaVersaoTeste, UpdaterWithoutTheMakersSignatureIsNeverPlaced) {
  monitor->Log.Inicia(inst.sPastaErp);
  const auto Assinatura = [&](const std::string& conteudo, const std::string& par) {
    EscreveArquivo(assinado / "x.exe", conteudo);
    return ChavesTeste::Assina(assinado / "x.exe", par);
  };
  const std::string valida = Assinatura(Atualizador(), "fabricante");
  std::string alterado = Atualizador();
  alterado[2000] ^= 1;
  struct Caso {
    const char* o;
    std::string conteudo;
    std::optional<std::string> assinatura;  // none: the address answers 404
  };
  const Caso casos[] = {
      {"no signature (404)", Atualizador(), std::nullopt},
      {"one byte changed", alterado, valida},
      {"signed with another key", Atualizador(), Assinatura(Atualizador(), "outra")},
      {"empty signature", Atualizador(), ""},
      {"signature of the wrong length", Atualizador(), valida + "x"},
      {"signature that is not DER", Atualizador(), std::string(70, '\x30')},
      {"empty file", "", valida},
      {"a signed page of the server's", "<html></html>", Assinatura("<html></html>", "fabricante")},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.o);
    tela.notificacoes.clear();
    tela.ocorrencias.clear();
    servidor.Publica(DOWNLOAD, c.conteudo);
    if (c.assinatura) servidor.Publica(DOWNLOAD + ".sig", *c.assinatura);
    EXPECT_EQ(Verifica(), 1);
    ASSERT_EQ(tela.notificacoes.size(), 1u);
    EXPECT_EQ(tela.notificacoes[0].sTexto.rfind(MENSAGEM_DOWNLOAD + " A assinatura do arquivo "
                                                "baixado não confere com a do fabricante (", 0),
              0u)
        << tela.notificacoes[0].sTexto;
    ASSERT_EQ(tela.ocorrencias.size(), 1u);
    EXPECT_EQ(tela.ocorrencias[0].sOQue, "atualizador recusado");
    EXPECT_TRUE(tela.ocorrencias[0].bAlerta);
    EXPECT_FALSE(Existe(sAtualizador));
    EXPECT_FALSE(Existe(sAtualizador + ".sig"));
    EXPECT_FALSE(Existe(sDownload));
    EXPECT_FALSE(Existe(sDownload + ".sig"));
  }
  EXPECT_TRUE(execucoes.empty());
  EXPECT_FALSE(ColunasCriadas());
  EXPECT_NE(LeTexto(monitor->Log.ArquivoDoDia(UnLocalidade::Agora())).find("atualizador recusado"),
            std::string::npos);
}

// At the hand-over the copy in the folder is checked again: one changed by hand, or left
// without its signature, is not started, and the monitor goes on with the build it is.
TEST_F(NovaVersaoTeste, TamperedUpdaterInTheFolderIsNotStarted) {
  PoeAtualizador();
  PublicaMonitor(60000);
  std::string alterado = Atualizador();
  alterado[10] = 'X';
  EscreveArquivo(sAtualizador, alterado);
  EXPECT_EQ(Verifica(), -1);
  EXPECT_TRUE(execucoes.empty());
  EXPECT_TRUE(tela.avisos.empty());
  ASSERT_EQ(tela.ocorrencias.size(), 1u);
  EXPECT_EQ(tela.ocorrencias[0].sOQue, "atualizador recusado");
  EXPECT_NE(tela.ocorrencias[0].sDetalhe.find("não confere"), std::string::npos);
  fs::remove(sAtualizador + ".sig");
  EXPECT_EQ(Verifica(), -1);
  EXPECT_NE(tela.ocorrencias.back().sDetalhe.find("assinatura ausente"), std::string::npos);
  // Signed again, it runs.
  PoeAtualizador();
  EXPECT_EQ(Verifica(), 0);
  EXPECT_EQ(execucoes.size(), 1u);
}

TEST_F(NovaVersaoTeste, PublishedCopyMissingEndsTheMonitorEvenWithTheUpdater) {
  PoeAtualizador();
  EXPECT_EQ(Verifica(), 1);
  ASSERT_EQ(tela.notificacoes.size(), 1u);
  EXPECT_EQ(tela.notificacoes[0].sTexto,
            "Falha na atualização do aplicativo. Não foi encontrado o arquivo monitor-cte na "
            "pasta " +
                sUpdate + ".\rO Sistema será finalizado.");
  EXPECT_EQ(tela.notificacoes[0].iFlags, 48u);
  EXPECT_TRUE(servidor.Pedidos().empty());
  EXPECT_TRUE(ColunasCriadas());
  EXPECT_TRUE(execucoes.empty());
}

TEST_F(NovaVersaoTeste, OtherModesStopAfterTheColumns) {
  PoeAtualizador();
  EXPECT_EQ(Verifica(2), -1);
  EXPECT_TRUE(tela.notificacoes.empty());
  EXPECT_TRUE(ColunasCriadas());
}

TEST_F(NovaVersaoTeste, SameTimeToTwoSecondsGoesOn) {
  PoeAtualizador();
  PublicaMonitor(1900);
  EXPECT_EQ(Verifica(), -1);
  EXPECT_TRUE(tela.avisos.empty());
  EXPECT_TRUE(execucoes.empty());
  // One step further is another build.
  DefineGravacao(Publicada(), INSTANTE + 2000);
  EXPECT_EQ(Verifica(), 0);
  EXPECT_EQ(execucoes.size(), 1u);
}

TEST_F(NovaVersaoTeste, OlderOrNewerPublishedCopyHandsOverToTheUpdater) {
  PoeAtualizador();
  for (int64_t deslocamento : {-86400000LL, 60000LL}) {
    SCOPED_TRACE(deslocamento);
    execucoes.clear();
    tela.avisos.clear();
    PublicaMonitor(deslocamento);
    EXPECT_EQ(Verifica(), 0);
    EXPECT_TRUE(bFimImediato);
    // The name has no "." here, so the notice names no application.
    EXPECT_EQ(tela.avisos, std::vector<std::string>{
                               "AVISO: Existe uma nova versão do aplicativo . A atualização será "
                               "feita automaticamente. Aguarde..."});
    ASSERT_EQ(execucoes.size(), 1u);
    EXPECT_EQ(execucoes[0].sVerbo, "open");
    EXPECT_EQ(execucoes[0].sArquivo, sAtualizador);
    EXPECT_EQ(execucoes[0].sParametros,
              "@F1 @M" + sUpdate + " @E" + inst.sPastaErp + " @Amonitor-cte");
    EXPECT_EQ(execucoes[0].sPastaTrabalho, "");
    EXPECT_FALSE(execucoes[0].bOculto);
  }
  EXPECT_TRUE(tela.notificacoes.empty());
}

TEST_F(NovaVersaoTeste, BlanksBecomeSectionSignsInBothFoldersOnly) {
  const std::string sErp = inst.pasta / "Sistema Local",
                    sDados = inst.pasta / "Minha Empresa/Dados";
  const std::string sExecutavel = sErp + "/Meu Setup.Novo.exe";
  const std::string sUpdateBrancos = inst.pasta / "Minha Empresa/Update";
  EscreveArquivo(sExecutavel, "running build");
  EscreveArquivo(sUpdateBrancos + "/Meu Setup.Novo.exe", "published build");
  PoeAtualizador(sUpdateBrancos);
  DefineGravacao(sExecutavel, INSTANTE);
  monitor->sCaminhoExecutavel = sExecutavel;
  monitor->DefinePastaAtualizacao("", sDados + "/servidor.ini");
  EXPECT_EQ(Verifica(), 0);
  EXPECT_EQ(tela.avisos,
            std::vector<std::string>{"AVISO: Existe uma nova versão do aplicativo Meu Setup. A "
                                     "atualização será feita automaticamente. Aguarde..."});
  ASSERT_EQ(execucoes.size(), 1u);
  EXPECT_EQ(execucoes[0].sArquivo, sUpdateBrancos + "/quelvixAtualizador.exe");
  auto Parametro = [](std::string s) {
    for (size_t i = s.find(' '); i != std::string::npos; i = s.find(' ', i)) s.replace(i, 1, "§");
    return s;
  };
  EXPECT_EQ(execucoes[0].sParametros, "@F1 @M" + Parametro(sUpdateBrancos) + " @E" +
                                          Parametro(sErp) + " @AMeu Setup.Novo.exe");
  EXPECT_NE(execucoes[0].sParametros.find("Minha\xC2\xA7"
                                          "Empresa"),
            std::string::npos);
}

TEST_F(NovaVersaoTeste, UpdaterThatCannotBePutInPlaceEndsTheMonitorWhenADifferentBuildWaits) {
  // A folder where the updater should be: the rename fails and the download is dropped.
  EscreveArquivo(sAtualizador + "/ocupado.txt", "");
  PublicaAtualizador(Atualizador());
  PublicaMonitor(60000);
  EXPECT_EQ(Verifica(), 1);
  EXPECT_FALSE(Existe(sDownload));
  ASSERT_EQ(tela.notificacoes.size(), 1u);
  EXPECT_EQ(tela.notificacoes[0].sTexto,
            "Falha na atualização do aplicativo. Não foi encontrado o arquivo "
            "quelvixAtualizador.exe na pasta " +
                sUpdate + ".\rO Sistema será finalizado.");
  EXPECT_EQ(tela.notificacoes[0].iFlags, 48u);
  EXPECT_TRUE(tela.avisos.empty());
  EXPECT_TRUE(execucoes.empty());
}

TEST(NovaVersaoSemConexao, DoesNothingWithoutModuleValues) {
  PastaTemporaria pasta;
  TelaTeste tela;
  TMonitorCTe monitor(tela);
  monitor.sCaminhoExecutavel = pasta / "monitor-cte";
  monitor.sEnderecoSite = "http://127.0.0.1:9";
  bool bExecutou = false;
  monitor.Executa = [&](const UnProcessos::PedidoExecucao&) { return bExecutou = true; };
  UnFirebird::TIBDatabase banco;
  banco.DefineNome(pasta / "nunca-aberto.fdb");
  EXPECT_NO_THROW(monitor.VerificaNovaVersao(banco, 1));
  EXPECT_TRUE(tela.notificacoes.empty());
  EXPECT_TRUE(tela.avisos.empty());
  EXPECT_FALSE(bExecutou);
  EXPECT_FALSE(Existe("Update"));
}

TEST_F(NovaVersaoTeste, DownloadTargetThatCannotBeCreatedIsAnErrorOfTheStartUp) {
  // The update folder's parent is missing, so the folder cannot be made (one level only).
  monitor->DefinePastaAtualizacao("", inst.pasta / "falta/Dados/servidor.ini");
  EXPECT_THROW(Verifica(), UnHttp::EArquivoDestino);
  EXPECT_TRUE(tela.notificacoes.empty());
  EXPECT_TRUE(servidor.Pedidos().empty());
  EXPECT_FALSE(ColunasCriadas());
}
