// MonitorCTe.exe: one monitor per session, found by its application window.
#include "shell/UnMonitor.h"  // before <windows.h>: see UnTela.h
#include "shell/win32/UnAplicacao.h"
#include "shell/win32/UnPrincipal.h"

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "platform/win32/UnTextoLargo.h"

int WINAPI wWinMain(HINSTANCE instancia, HINSTANCE, PWSTR, int) {
  if (UnAplicacao::TAplicacao::JaEmExecucao()) {
    MessageBoxW(nullptr, L"O quelvix Monitor CT-e já está em execução", L"Aviso do sistema",
                MB_OK | MB_ICONEXCLAMATION);
    return 0;
  }
  INITCOMMONCONTROLSEX controles{sizeof controles, ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controles);
  int iCodigoSaida = 0;
  std::string aviso;
  {
    UnAplicacao::TAplicacao aplicacao(instancia);
    TfrmPrincipal frmPrincipal(aplicacao);
    TMonitorCTe monitor(frmPrincipal);
    frmPrincipal.DefineMonitor(monitor);
    iCodigoSaida = aplicacao.Executa([&] { frmPrincipal.FormCreate(); });
    monitor.Encerra(iCodigoSaida, aplicacao.Motivo());  // when no side of the core told it
    aviso = aplicacao.Aviso();
  }
  // The windows are gone, and with them the mark a new copy looks for: it may start while
  // this notice waits for somebody.
  if (!aviso.empty())
    MessageBoxW(nullptr, UnTextoLargo::Largo(aviso).c_str(), UnTextoLargo::Largo(AVISO_DO_SISTEMA).c_str(),
                MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
  return iCodigoSaida;
}
