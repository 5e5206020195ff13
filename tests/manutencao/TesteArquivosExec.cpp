// The "Exec-" files beside the executable and the desktop launcher, on real folders. HOME
// and XDG_CONFIG_HOME point into the test's folder, so the real desktop is never touched.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "maintenance/UnArquivosExec.h"
#include "maintenance/UnAtalhoDesktop.h"
#include "platform/UnAreaTrabalho.h"
#include "suporte/InstalacaoTeste.h"

namespace fs = std::filesystem;

namespace {

// Sets an environment variable for one test and puts the old value back.
class VariavelAmbiente {
 public:
  VariavelAmbiente(const char* nome, const char* valor) : nome_(nome) {
    if (const char* antigo = std::getenv(nome)) antigo_ = antigo;
    if (valor)
      setenv(nome, valor, 1);
    else
      unsetenv(nome);
  }
  ~VariavelAmbiente() {
    if (antigo_)
      setenv(nome_, antigo_->c_str(), 1);
    else
      unsetenv(nome_);
  }

 private:
  const char* nome_;
  std::optional<std::string> antigo_;
};

std::vector<std::string> Nomes(const std::string& pasta) {
  std::vector<std::string> nomes;
  if (fs::is_directory(pasta))
    for (const auto& e : fs::directory_iterator(pasta)) nomes.push_back(e.path().filename());
  std::sort(nomes.begin(), nomes.end());
  return nomes;
}

}  // namespace

class ArquivosExecTeste : public testing::Test {
 protected:
  void SetUp() override { fs::create_directories(sDesktop); }
  // A monitor installed as `nome` in the ERP folder, its update folder ready.
  TMonitorCTe& Instala(const std::string& nome) {
    monitor = std::make_unique<TMonitorCTe>(tela);
    monitor->sCaminhoExecutavel = sErp + "/" + nome;
    EscreveArquivo(monitor->sCaminhoExecutavel, "running build");
    monitor->DefinePastaAtualizacao("", pasta / "Dados/servidor.ini");
    fs::create_directories(sUpdate);
    return *monitor;
  }
  void Trata() {
    UnArquivosExec::TrataArquivosExec(monitor->Atualizacao, monitor->sCaminhoExecutavel);
  }

  PastaTemporaria pasta;
  std::string sHome = pasta / "home";
  VariavelAmbiente home{"HOME", sHome.c_str()};
  VariavelAmbiente configuracao{"XDG_CONFIG_HOME", nullptr};
  std::string sDesktop = sHome + "/Desktop";
  std::string sErp = pasta / "Sistema Local";
  std::string sUpdate = pasta / "Update";
  std::string sMestre = pasta / "mestre";
  TelaTeste tela;
  std::unique_ptr<TMonitorCTe> monitor;
};

TEST_F(ArquivosExecTeste, OnlyTheExecutableCopyIsRemoved) {
  Instala("Monitor.exe");
  EscreveArquivo(sErp + "/Exec-Monitor.exe", "copy");
  Trata();
  EXPECT_EQ(Nomes(sErp), std::vector<std::string>{"Monitor.exe"});
  EXPECT_TRUE(Nomes(sDesktop).empty());
  EXPECT_TRUE(Nomes(sUpdate).empty());
}

TEST_F(ArquivosExecTeste, MarkerOfAnOtherProgramMakesTheShortcutOnly) {
  Instala("Monitor.exe");
  EscreveArquivo(sErp + "/Exec-Monitor.exe", "copy");
  EscreveArquivo(sErp + "/Exec-Monitor.ini", "[configuracao]\r\npastamestre=" + sMestre + "\r\n");
  EscreveArquivo(sMestre + "/outro.exe", "x");
  Trata();
  EXPECT_EQ(Nomes(sErp), std::vector<std::string>{"Monitor.exe"});
  EXPECT_TRUE(Nomes(sUpdate).empty());
  ASSERT_EQ(Nomes(sDesktop), std::vector<std::string>{"Novo Monitor.desktop"});
  EXPECT_EQ(LeTexto(sDesktop + "/Novo Monitor.desktop"),
            "[Desktop Entry]\nType=Application\nName=Monitor\nExec=\"" + sErp + "/Monitor.exe\"\n");
  EXPECT_NE(fs::status(sDesktop + "/Novo Monitor.desktop").permissions() & fs::perms::owner_exec,
            fs::perms::none);
  // Consumed: a second start makes no second shortcut.
  fs::remove(sDesktop + "/Novo Monitor.desktop");
  Trata();
  EXPECT_TRUE(Nomes(sDesktop).empty());
}

TEST_F(ArquivosExecTeste, ExtensionInCapitalsMakesTheCopyTheMarker) {
  Instala("MONITOR.EXE");
  EscreveArquivo(sErp + "/Exec-MONITOR.EXE", "copy");
  Trata();
  EXPECT_EQ(Nomes(sErp), std::vector<std::string>{"MONITOR.EXE"});
  EXPECT_EQ(Nomes(sDesktop), std::vector<std::string>{"Novo MONITOR.desktop"});
  EXPECT_NE(LeTexto(sDesktop + "/Novo MONITOR.desktop").find("\nName=MONITOR\n"),
            std::string::npos);
}

TEST_F(ArquivosExecTeste, NameWithTwoDotsGivesShortNameAndLongDescription) {
  Instala("Monitor.Novo.exe");
  EscreveArquivo(sErp + "/Exec-Monitor.Novo.ini", "");
  Trata();
  EXPECT_EQ(Nomes(sErp), std::vector<std::string>{"Monitor.Novo.exe"});
  ASSERT_EQ(Nomes(sDesktop), std::vector<std::string>{"Novo Monitor.desktop"});
  EXPECT_NE(LeTexto(sDesktop + "/Novo Monitor.desktop").find("\nName=Monitor.Novo\n"),
            std::string::npos);
}

TEST_F(ArquivosExecTeste, ErpProgramsFillTheUpdateFolderWithoutReplacing) {
  for (const char* nome : {"quelvixEmpresa.exe", "quelvixEmpresa4.exe"}) {
    SCOPED_TRACE(nome);
    fs::remove_all(sUpdate);
    fs::remove_all(sErp);
    Instala(nome);
    EscreveArquivo(sErp + "/Exec-" + std::string(nome), "copy");
    EscreveArquivo(
        sErp + "/Exec-" + std::string(nome).replace(std::string(nome).size() - 4, 4, ".ini"),
        "[configuracao]\r\npastamestre=" + sMestre + "\r\n");
    EscreveArquivo(sMestre + "/quelvixEmpresa.exe", "master build");
    EscreveArquivo(sMestre + "/Relatorios.EXE", "master reports");
    EscreveArquivo(sMestre + "/leiame.txt", "not a program");
    EscreveArquivo(sUpdate + "/quelvixEmpresa.exe", "published build");
    Trata();
    EXPECT_EQ(Nomes(sErp), std::vector<std::string>{nome});
    EXPECT_EQ(Nomes(sUpdate), (std::vector<std::string>{"Relatorios.EXE", "quelvixEmpresa.exe"}));
    EXPECT_EQ(LeTexto(sUpdate + "/quelvixEmpresa.exe"), "published build");
    EXPECT_EQ(LeTexto(sUpdate + "/Relatorios.EXE"), "master reports");
    EXPECT_EQ(Nomes(sDesktop).size(), 1u);
    fs::remove_all(sDesktop);
    fs::create_directories(sDesktop);
  }
}

TEST_F(ArquivosExecTeste, ErpNameComparedWithItsCase) {
  Instala("QuelvixEmpresa.exe");
  EscreveArquivo(sErp + "/Exec-QuelvixEmpresa.ini",
                 "[configuracao]\r\npastamestre=" + sMestre + "\r\n");
  EscreveArquivo(sMestre + "/a.exe", "x");
  Trata();
  EXPECT_TRUE(Nomes(sUpdate).empty());
}

TEST_F(ArquivosExecTeste, EmptyMasterFolderCopiesNothing) {
  Instala("quelvixEmpresa.exe");
  EscreveArquivo(sErp + "/Exec-quelvixEmpresa.ini", "[configuracao]\r\npastamestre=\r\n");
  // Neither the working folder nor the root folder stands in for a missing master folder.
  const fs::path antiga = fs::current_path();
  EscreveArquivo(sMestre + "/perdido.exe", "x");
  fs::current_path(sMestre);
  Trata();
  fs::current_path(antiga);
  EXPECT_TRUE(Nomes(sUpdate).empty());
  EXPECT_EQ(Nomes(sErp), std::vector<std::string>{"quelvixEmpresa.exe"});
  EXPECT_EQ(Nomes(sDesktop).size(), 1u);
}

TEST_F(ArquivosExecTeste, DesktopFromTheXdgUserDirs) {
  const std::string sConfig = pasta / "config";
  VariavelAmbiente xdg{"XDG_CONFIG_HOME", sConfig.c_str()};
  EscreveArquivo(sConfig + "/user-dirs.dirs",
                 "# written by xdg-user-dirs-update\nXDG_DOWNLOAD_DIR=\"$HOME/Downloads\"\n"
                 "XDG_DESKTOP_DIR=\"$HOME/Área de Trabalho\"\n");
  EXPECT_EQ(UnAtalhoDesktop::RetornaPastaDesktop(), sHome + "/Área de Trabalho/");
  EscreveArquivo(sConfig + "/user-dirs.dirs", "XDG_DESKTOP_DIR=\"" + sHome + "/Mesa\"\n");
  EXPECT_EQ(UnAtalhoDesktop::RetornaPastaDesktop(), sHome + "/Mesa/");
  EscreveArquivo(sConfig + "/user-dirs.dirs", "XDG_MUSIC_DIR=\"$HOME/Musica\"\n");
  EXPECT_EQ(UnAtalhoDesktop::RetornaPastaDesktop(), sHome + "/Desktop/");
}

TEST_F(ArquivosExecTeste, UnknownDesktopMakesNoShortcutButConsumesTheMarker) {
  VariavelAmbiente semHome{"HOME", nullptr};
  EXPECT_EQ(UnAtalhoDesktop::RetornaPastaDesktop(), "");
  Instala("Monitor.exe");
  EscreveArquivo(sErp + "/Exec-Monitor.ini", "");
  const fs::path antiga = fs::current_path();
  fs::current_path(pasta.Caminho());
  Trata();
  fs::current_path(antiga);
  EXPECT_EQ(Nomes(sErp), std::vector<std::string>{"Monitor.exe"});
  EXPECT_FALSE(Existe(pasta / "Novo Monitor.desktop"));
}

TEST_F(ArquivosExecTeste, LauncherQuotesTheTarget) {
  const std::string sAlvo = pasta / "Pasta $HOME \"x\" 100%/a\\b.exe";
  UnAreaTrabalho::CriaAtalho(sDesktop + "/atalho", sAlvo, "Descricao");
  EXPECT_EQ(LeTexto(sDesktop + "/atalho.desktop"),
            "[Desktop Entry]\nType=Application\nName=Descricao\nExec=\"" + pasta.Caminho() +
                "/Pasta \\$HOME \\\"x\\\" 100%%/a\\\\\\\\b.exe\"\n");
}

// Through the start-up check: the marker is handled before the updater is looked for, and
// waits for the next start while the shortcut cannot be made.
TEST(ArquivosExecNaPartida, MarkerIsHandledOncePerShortcutMade) {
  InstalacaoTeste inst;
  const std::string sHome = inst.pasta / "home";
  VariavelAmbiente home{"HOME", sHome.c_str()};
  VariavelAmbiente configuracao{"XDG_CONFIG_HOME", nullptr};
  TelaTeste tela;
  auto monitor = inst.Monitor(tela);
  monitor->Log.Inicia(inst.sPastaErp);
  EscreveArquivo(inst.pasta / "Update/quelvixAtualizador.exe", "MZ" + std::string(2000, 'x'));
  EscreveArquivo(inst.sPastaErp + "/Exec-monitor-cte", "marker and copy at once");
  // No desktop folder to write the launcher into: the marker stays, and the log says why.
  monitor->VerificaNovaVersao(*monitor->IBD_BancoDados, 2);
  EXPECT_TRUE(Existe(inst.sPastaErp + "/Exec-monitor-cte"));
  const std::string log = LeTexto(monitor->Log.ArquivoDoDia(UnLocalidade::Agora()));
  EXPECT_NE(log.find("atalho na área de trabalho não criado, tentado de novo na próxima partida: " +
                     sHome + "/Desktop/Novo monitor.desktop não gravado"),
            std::string::npos)
      << log;
  fs::create_directories(sHome + "/Desktop");
  monitor->VerificaNovaVersao(*monitor->IBD_BancoDados, 2);
  EXPECT_FALSE(Existe(inst.sPastaErp + "/Exec-monitor-cte"));
  ASSERT_EQ(Nomes(sHome + "/Desktop"), std::vector<std::string>{"Novo monitor.desktop"});
  fs::remove(sHome + "/Desktop/Novo monitor.desktop");
  monitor->VerificaNovaVersao(*monitor->IBD_BancoDados, 2);
  EXPECT_TRUE(Nomes(sHome + "/Desktop").empty());
}
