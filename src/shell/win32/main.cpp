// MonitorCTe.exe: one monitor per session, found by its application window.
#include "shell/UnMonitor.h"  // before <windows.h>: see UnTela.h
#include "shell/win32/UnAplicacao.h"
#include "shell/win32/UnPrincipal.h"

#include <windows.h>
#include <commctrl.h>

int WINAPI wWinMain(HINSTANCE instancia, HINSTANCE, PWSTR, int) {
  if (UnAplicacao::TAplicacao::JaEmExecucao()) {
    MessageBoxW(nullptr, L"O quelvix Monitor CT-e já está em execução", L"Aviso do sistema",
                MB_OK | MB_ICONEXCLAMATION);
    return 0;
  }
  INITCOMMONCONTROLSEX controles{sizeof controles, ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controles);
  UnAplicacao::TAplicacao aplicacao(instancia);
  TfrmPrincipal frmPrincipal(aplicacao);
  TMonitorCTe monitor(frmPrincipal);
  frmPrincipal.DefineMonitor(monitor);
  return aplicacao.Executa([&] { frmPrincipal.FormCreate(); });
}
