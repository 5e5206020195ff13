// Drives MonitorCTe.exe and the notice dialog for the screenshots of the documentation:
//   fecha-erro  answers the start-up error box and prints the main window's geometry
//   sair        chooses "&Sair" of the running monitor
//   aviso       shows the notice with the acknowledgement box for a while, printing its geometry
#include "shell/win32/UnPrincipal.h"

#include <windows.h>

#include <cstdio>
#include <string>

#include "dialogs/win32/UnMensagemConfirmarGenerica.h"
#include "win32/UnJanelasTeste.h"

namespace {

HWND Janela(const wchar_t* classe, const wchar_t* titulo) {
  HWND achada = nullptr;
  UnJanelasTeste::Espera([&] {
    achada = FindWindowW(classe, titulo);
    return achada && IsWindowVisible(achada);
  });
  return achada;
}

void ImprimeGeometria(HWND janela) {
  RECT r;
  GetWindowRect(janela, &r);
  std::printf("%ldx%ld+%ld+%ld\n", r.right - r.left, r.bottom - r.top, r.left, r.top);
  std::fflush(stdout);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring comando = argc > 1 ? argv[1] : L"";
  if (comando == L"fecha-erro") {
    if (HWND erro = Janela(L"#32770", L"quelvix Monitor CT-e"))
      UnJanelasTeste::ConfirmaCaixaMensagem(erro);
    HWND principal = Janela(TfrmPrincipal::CLASSE, L"quelvix Monitor CT-e");
    if (!principal) return 1;
    Sleep(1000);
    ImprimeGeometria(principal);
    return 0;
  }
  if (comando == L"sair") {
    HWND principal = FindWindowW(TfrmPrincipal::CLASSE, nullptr);
    if (!principal) return 1;
    PostMessageW(principal, WM_COMMAND, TfrmPrincipal::ID_SAIR1, 0);
    return 0;
  }
  if (comando == L"aviso") {
    UnMensagemConfirmarGenerica::MostraAviso(
        "AVISO: Existe uma nova versão do aplicativo MonitorCTe. A atualização será feita "
        "automaticamente. Aguarde...",
        true, false, nullptr, [] { UnJanelasTeste::Espera([] { return false; }, 500); });
    ImprimeGeometria(UnMensagemConfirmarGenerica::frmMensagemConfirmarGenerica->Handle());
    UnJanelasTeste::Espera([] { return false; }, 15000);
    return 0;
  }
  std::fprintf(stderr, "uso: captura_tela fecha-erro | sair | aviso\n");
  return 2;
}
