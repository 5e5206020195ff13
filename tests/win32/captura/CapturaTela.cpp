// Drives MonitorCTe.exe and the notice dialog for the screenshots of the documentation:
//   fecha-erro  answers the start-up error box and prints the main window's geometry
//   sair        chooses "&Sair" of the running monitor
//   aviso       shows the notice with the acknowledgement box for a while, printing its geometry
//   espera      shows the main window between passes while two answers wait, printing its
//               geometry
//   ocorrencias shows the page of the day's occurrences and the balloon of its alerts, printing
//               the window's geometry
#include "shell/win32/UnPrincipal.h"

#include <windows.h>

#include <cstdio>
#include <string>

#include "dialogs/win32/UnMensagemConfirmarGenerica.h"
#include "platform/UnLocalidade.h"
#include "shell/win32/UnAplicacao.h"
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
  if (comando == L"espera") {
    UnAplicacao::TAplicacao aplicacao(GetModuleHandleW(nullptr));
    TfrmPrincipal frm(aplicacao);
    KillTimer(frm.Handle(), TfrmPrincipal::ID_TIMER1);  // no monitor behind this window
    frm.MostraVersao("Versão: 09/12/2026 10:42");
    frm.MostraContadores({"12", "0", "12", "0", "12", "1", "11", "1", "2", "5", "0"});
    // One answer broken since a quarter of an hour, one whose CT-e an ERP user holds.
    frm.MostraEspera(2, 15 * 60 * 1000, "");
    ShowWindow(frm.Handle(), SW_SHOWNORMAL);
    UnJanelasTeste::Espera([] { return false; }, 1000);
    ImprimeGeometria(frm.Handle());
    UnJanelasTeste::Espera([] { return false; }, 15000);
    return 0;
  }
  if (comando == L"ocorrencias") {
    UnAplicacao::TAplicacao aplicacao(GetModuleHandleW(nullptr));
    TfrmPrincipal frm(aplicacao);
    KillTimer(frm.Handle(), TfrmPrincipal::ID_TIMER1);  // no monitor behind this window
    frm.Bandeja().Adiciona(frm.Handle(), LoadIconW(GetModuleHandleW(nullptr), L"MAINICON"),
                           L"quelvix Monitor CT-e");
    const std::string retorno = "C:\\CTe\\12345678000199\\";
    const UnOcorrencias::Ocorrencia dia[] = {
        {"08:02:11", "12345678000199", "1230", UnOcorrencias::AUTORIZADO,
         "100 - Autorizado o uso do CT-e", retorno + "Retorno\\OK\\351000012345670-pro-rec.xml", false},
        {"08:02:11", "12345678000199", "1230", UnOcorrencias::IMPRESSO,
         "DACTE enviado para impressão", retorno + "Enviado\\Autorizados\\202612\\CTe3512...-procCTe.xml",
         false},
        {"09:15:40", "12345678000199", "1198", UnOcorrencias::CANCELADO,
         "135 - Evento registrado e vinculado a CT-e, protocolo 135260000054321",
         retorno + "Retorno\\OK\\CTe3512...-eve.xml", false},
        {"10:41:03", "22222222000122", "", UnOcorrencias::TRANSMISSOR_PARADO,
         "O transmissor não está enviando os CT-e da empresa 22222222000122: 3 arquivos "
         "aguardando, o mais antigo há 12 min em Envio",
         "C:\\CTe\\22222222000122\\Envio", true},
        {"10:42:27", "12345678000199", "1234", UnOcorrencias::REJEITADO,
         "539 - Rejeição: Duplicidade de CT-e com diferença na Chave de Acesso",
         retorno + "Erro\\351000012345678-pro-rec.xml", true},
    };
    for (const auto& o : dia) frm.MostraOcorrencia(o, false);
    frm.MostraOcorrencias();
    UnJanelasTeste::Espera([] { return false; }, 2500);  // the balloon of the two alerts
    // The window and, down to the screen's corner, the notification area with the balloon.
    RECT r;
    GetWindowRect(frm.Handle(), &r);
    std::printf("%ldx%ld+%ld+%ld\n", GetSystemMetrics(SM_CXSCREEN) - r.left,
                GetSystemMetrics(SM_CYSCREEN) - r.top, r.left, r.top);
    std::fflush(stdout);
    UnJanelasTeste::Espera([] { return false; }, 15000);
    return 0;
  }
  std::fprintf(stderr, "uso: captura_tela fecha-erro | sair | aviso | espera | ocorrencias\n");
  return 2;
}
