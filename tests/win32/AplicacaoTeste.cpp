// The message loop waits on the folder watcher beside the window messages.
#include "shell/UnMonitor.h"  // before <windows.h>: see UnTela.h
#include "shell/win32/UnAplicacao.h"

#include <gtest/gtest.h>

#include <windows.h>

#include "platform/UnArquivos.h"
#include "platform/win32/UnObservaPastasWin32.h"
#include "suporte/PastaTemporaria.h"

namespace {

UnAplicacao::TAplicacao* gAplicacao = nullptr;

// Ends a loop that never saw the folder's news.
void CALLBACK DesisteDeEsperar(HWND, UINT, UINT_PTR, DWORD) { gAplicacao->Encerra(99); }

}  // namespace

TEST(Aplicacao, LacoDeMensagensAtendeAPastaAlterada) {
  PastaTemporaria pasta;
  const std::string retorno = pasta / "Retorno";
  ASSERT_TRUE(UnArquivos::CriaPasta(retorno));
  UnObservaPastas::ObservaPastas observador;
  observador.DefinePastas({retorno});
  ASSERT_EQ(UnObservaPastas::Eventos(observador).size(), 1u);

  UnAplicacao::TAplicacao aplicacao(GetModuleHandleW(nullptr));
  gAplicacao = &aplicacao;
  std::vector<std::string> alteradas;
  aplicacao.DefineEspera([&] { return UnObservaPastas::Eventos(observador); },
                         [&] {
                           for (const std::string& p : observador.LePastasAlteradas())
                             alteradas.push_back(p);
                           if (!alteradas.empty()) aplicacao.Encerra(7);
                         });
  const UINT_PTR limite = SetTimer(nullptr, 0, 10000, DesisteDeEsperar);
  // The answer arrives as the loop starts; only the watcher's event can end it with 7.
  const int codigo = aplicacao.Executa(
      [&] { ASSERT_TRUE(UnArquivos::GravaArquivo(retorno + "/1-sit.xml", "<a/>")); });
  KillTimer(nullptr, limite);
  aplicacao.DefineEspera({}, {});
  gAplicacao = nullptr;
  EXPECT_EQ(codigo, 7);
  EXPECT_EQ(alteradas, std::vector<std::string>{retorno});
  // Encerra left WM_QUIT behind; it must not reach the next test.
  MSG msg;
  while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
}
