// The process list the monitor watches the ERP programs with, and starting programs.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <thread>

#include "platform/UnArquivos.h"
#include "platform/UnProcessos.h"
#include "suporte/PastaTemporaria.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "suporte/ProcessoTeste.h"
#endif

namespace {

std::string NomeDoArquivo(const std::string& caminho) {
  const size_t barra = caminho.find_last_of("/\\:");
  return barra == std::string::npos ? caminho : caminho.substr(barra + 1);
}

}  // namespace

TEST(Processos, CaminhoDoExecutavelExiste) {
  const std::string caminho = UnProcessos::CaminhoExecutavel();
  EXPECT_TRUE(UnArquivos::ExisteArquivo(caminho)) << caminho;
  EXPECT_EQ(NomeDoArquivo(caminho).substr(0, 17), "testes_plataforma");
}

TEST(Processos, ExecutaProgramaAusenteFalhaSemMais) {
  PastaTemporaria pasta;
  UnProcessos::PedidoExecucao pedido;
  pedido.sArquivo = pasta / "UniDANFe.exe";
  pedido.sParametros = "A=\"x\"";
  EXPECT_FALSE(UnProcessos::Executa(pedido));
}

#ifndef _WIN32
namespace {

bool ProcessoListado(const std::string& nome) {
  const auto nomes = UnProcessos::ListaProcessos().value();
  return std::any_of(nomes.begin(), nomes.end(),
                     [&](const std::string& n) { return NomeDoArquivo(n) == nome; });
}

// Waits for a condition that another process brings about; false when it never comes.
bool Aguarda(const std::function<bool()>& condicao) {
  for (int i = 0; i < 500; ++i) {
    if (condicao()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return condicao();
}

}  // namespace

// Other tests may run their own stand-in ERP at the same time: this one is known by its folder.
TEST(Processos, ListaVeCopiaDoSleepComONomeDoErp) {
  PastaTemporaria pasta;
  const std::string copia = pasta / "quelvixEmpresa.exe";
  auto listada = [&] {
    const auto nomes = UnProcessos::ListaProcessos().value();
    return std::find(nomes.begin(), nomes.end(), copia) != nomes.end();
  };
  {
    ErpSubstituto erp(pasta.Caminho(), "quelvixEmpresa.exe");
    EXPECT_TRUE(Aguarda(listada));
    EXPECT_TRUE(ProcessoListado("quelvixEmpresa.exe"));
  }
  EXPECT_TRUE(Aguarda([&] { return !listada(); }));
}

// A program run under Wine shows its Windows path as argv[0]; the list gives that too.
TEST(Processos, ListaVeOArgv0DeProgramaDoWine) {
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    execl("/bin/sleep", "C:\\quelvix\\quelvixEmpresa4.exe", "600", static_cast<char*>(nullptr));
    _exit(127);
  }
  const bool visto = Aguarda([] {
    const auto nomes = UnProcessos::ListaProcessos().value();
    return std::find(nomes.begin(), nomes.end(), "C:\\quelvix\\quelvixEmpresa4.exe") != nomes.end();
  });
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  EXPECT_TRUE(visto);
}

TEST(Processos, ExecutaComParametrosEPastaDeTrabalho) {
  PastaTemporaria pasta;
  UnProcessos::PedidoExecucao pedido;
  pedido.sArquivo = "/usr/bin/touch";
  pedido.sParametros = "  \"com espaco.txt\" simples.txt  ";
  pedido.sPastaTrabalho = pasta.Caminho();
  pedido.bOculto = true;
  ASSERT_TRUE(UnProcessos::Executa(pedido));
  EXPECT_TRUE(
      Aguarda([&] { return Existe(pasta / "com espaco.txt") && Existe(pasta / "simples.txt"); }));
  // A working folder that is not there makes the start fail.
  pedido.sPastaTrabalho = pasta / "falta";
  EXPECT_FALSE(UnProcessos::Executa(pedido));
  // A file without the right to run is no program either.
  EscreveArquivo(pasta / "texto.sh", "#!/bin/sh\n");
  pedido.sArquivo = pasta / "texto.sh";
  pedido.sPastaTrabalho.clear();
  EXPECT_FALSE(UnProcessos::Executa(pedido));
  pedido.sArquivo = pasta.Caminho();  // nor is a folder
  EXPECT_FALSE(UnProcessos::Executa(pedido));
}

// The Windows file explorer that shows an error file selected is the desktop's opener of its
// folder here: the file itself, opened, could be a program.
TEST(Processos, ExplorerAbreAPastaDoArquivoComOAbridorDaAreaDeTrabalho) {
  PastaTemporaria pasta;
  EscreveArquivo(pasta / "bin/xdg-open",
                 "#!/bin/sh\nprintf '%s|%s' \"$1\" \"$#\" > \"${0%/*}/aberto.txt\"\n");
  std::filesystem::permissions(pasta / "bin/xdg-open", std::filesystem::perms::owner_all);
  const std::string pathAnterior = std::getenv("PATH") ? std::getenv("PATH") : "";
  setenv("PATH", (pasta / "bin").c_str(), 1);
  UnProcessos::PedidoExecucao pedido;
  pedido.sArquivo = "explorer";
  pedido.sParametros = pasta / "Erro/x y-cte.err.exe";
  const bool iniciado = UnProcessos::Executa(pedido);
  setenv("PATH", (pasta / "vazia").c_str(), 1);
  const bool semAbridor = UnProcessos::Executa(pedido);
  setenv("PATH", pathAnterior.c_str(), 1);
  ASSERT_TRUE(iniciado);
  EXPECT_FALSE(semAbridor);
  ASSERT_TRUE(
      Aguarda([&] { return LeTexto(pasta / "bin/aberto.txt").find('|') != std::string::npos; }));
  EXPECT_EQ(LeTexto(pasta / "bin/aberto.txt"), pasta / "Erro|1");
}
#endif
