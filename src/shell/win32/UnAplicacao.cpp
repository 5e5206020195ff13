#include "shell/UnMonitor.h"  // before <windows.h>: see UnTela.h
#include "shell/win32/UnAplicacao.h"

#include <algorithm>

#include "dialogs/win32/UnPerguntaSemEspera.h"
#include "platform/win32/UnTextoLargo.h"

namespace UnAplicacao {

LRESULT CALLBACK TAplicacao::Procedimento(HWND janela, UINT mensagem, WPARAM w, LPARAM l) {
  // Closing the taskbar entry must not end the monitor; a WM_CLOSE sent from outside (the
  // system's taskkill, an installer) ends it as "&Sair" does.
  if (mensagem == WM_SYSCOMMAND && (w & 0xFFF0) == SC_CLOSE) return 0;
  if (mensagem == WM_CLOSE) {
    auto* aplicacao = reinterpret_cast<TAplicacao*>(GetWindowLongPtrW(janela, GWLP_USERDATA));
    if (aplicacao && aplicacao->aoFechar_) aplicacao->aoFechar_();
    return 0;
  }
  return DefWindowProcW(janela, mensagem, w, l);
}

TAplicacao::TAplicacao(HINSTANCE instancia) : instancia_(instancia) {
  WNDCLASSEXW c{};
  c.cbSize = sizeof c;
  c.lpfnWndProc = Procedimento;
  c.hInstance = instancia;
  c.hIcon = LoadIconW(instancia, L"MAINICON");
  c.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  c.lpszClassName = CLASSE;
  RegisterClassExW(&c);
  // No content of its own: a zero-size window in the middle of the screen, which holds the
  // taskbar entry while the main window is shown from start-up.
  handle_ = CreateWindowExW(0, CLASSE, L"", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                            GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 0,
                            0, nullptr, nullptr, instancia, nullptr);
  SetWindowLongPtrW(handle_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  DefineTitulo(UnTextoLargo::Largo(TITULO_APLICACAO).c_str());
  ShowWindow(handle_, SW_SHOWNOACTIVATE);
}

TAplicacao::~TAplicacao() {
  if (!handle_) return;
  SetWindowLongPtrW(handle_, GWLP_USERDATA, 0);
  DestroyWindow(handle_);
}

bool TAplicacao::JaEmExecucao() {
  return FindWindowW(CLASSE, UnTextoLargo::Largo(TITULO_APLICACAO).c_str()) != nullptr;
}

void TAplicacao::DefineTitulo(const wchar_t* titulo) { SetWindowTextW(handle_, titulo); }

int TAplicacao::Executa(const std::function<void()>& inicio) {
  try {
    inicio();
  } catch (const UnTela::EFimMonitor& fim) {
    if (fim.bImediato) ExitProcess(static_cast<UINT>(fim.iCodigoSaida));
    Encerra(fim.iCodigoSaida, fim.sMotivo, fim.sAviso);
  }
  MSG msg;
  while (!bFim_) {
    const std::vector<HANDLE> objetos = objetosEspera_ ? objetosEspera_() : std::vector<HANDLE>();
    const DWORD n = static_cast<DWORD>(std::min<size_t>(objetos.size(), MAXIMUM_WAIT_OBJECTS - 1));
    const DWORD resultado =
        MsgWaitForMultipleObjectsEx(n, objetos.data(), INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (resultado == WAIT_FAILED) {
      Encerra(1);
      break;
    }
    if (resultado < WAIT_OBJECT_0 + n) {
      aoSinalizar_();
      continue;
    }
    while (!bFim_ && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        Encerra(static_cast<int>(msg.wParam));
        break;
      }
      Despacha(msg);
    }
  }
  return iCodigoSaida_;
}

void TAplicacao::DefineEspera(std::function<std::vector<HANDLE>()> objetos,
                              std::function<void()> aoSinalizar) {
  objetosEspera_ = std::move(objetos);
  aoSinalizar_ = std::move(aoSinalizar);
}

void TAplicacao::ProcessaMensagens() {
  MSG msg;
  while (!bFim_ && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      Encerra(static_cast<int>(msg.wParam));
      break;
    }
    Despacha(msg);
  }
  VerificaFim();
}

void TAplicacao::Despacha(MSG& msg) {
  // The open question is not modal: its keyboard is routed here, as a dialog's would be.
  if (UnPerguntaSemEspera::TrataTeclado(msg)) return;
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

void TAplicacao::VerificaFim() const {
  if (bFim_) throw UnTela::EFimMonitor{iCodigoSaida_, false, sMotivo_, sAviso_};
}

void TAplicacao::Encerra(int iCodigoSaida, std::string motivo, std::string aviso) {
  if (bFim_) return;
  bFim_ = true;
  iCodigoSaida_ = iCodigoSaida;
  sMotivo_ = std::move(motivo);
  sAviso_ = std::move(aviso);
  // Ends any modal loop (message box, menu) still open further up the stack.
  PostQuitMessage(iCodigoSaida);
}

}  // namespace UnAplicacao
