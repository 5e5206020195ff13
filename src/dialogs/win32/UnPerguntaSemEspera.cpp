#include "dialogs/win32/UnPerguntaSemEspera.h"

#include <utility>

#include "dialogs/win32/UnControles.h"
#include "platform/win32/UnTextoLargo.h"

namespace UnPerguntaSemEspera {

TfrmPerguntaSemEspera* frmPerguntaSemEspera = nullptr;

namespace {

// The message box's look: caption and close box, no sizing.
constexpr DWORD ESTILO = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD ESTILO_ESTENDIDO = WS_EX_CONTROLPARENT | WS_EX_DLGMODALFRAME;
constexpr int LARGURA_CLIENTE = 380, ALTURA_CLIENTE = 140;

std::wstring NomeDoArquivo(const std::string& caminho) {
  const size_t barra = caminho.find_last_of("\\/");
  return UnTextoLargo::Largo(barra == std::string::npos ? caminho : caminho.substr(barra + 1));
}

}  // namespace

TfrmPerguntaSemEspera::TfrmPerguntaSemEspera(HWND dono) {
  const SIZE externo = UnControles::TamanhoExterno(ESTILO, ESTILO_ESTENDIDO, LARGURA_CLIENTE,
                                                   ALTURA_CLIENTE);
  // Centred on the screen, as the message box it stands for.
  const int x = (GetSystemMetrics(SM_CXSCREEN) - externo.cx) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - externo.cy) / 2;
  handle_ = UnControles::CriaJanelaDialogo(CLASSE, L"Confirm", ESTILO, ESTILO_ESTENDIDO, x, y,
                                            externo, dono, this, &WndProc);
  CriaComponentes();
}

TfrmPerguntaSemEspera::~TfrmPerguntaSemEspera() {
  if (fonte_) DeleteObject(fonte_);
}

void TfrmPerguntaSemEspera::CriaComponentes() {
  using UnControles::CriaControle;
  fonte_ = UnControles::CriaFonte(L"Tahoma", -11);
  SendMessageW(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(fonte_), FALSE);
  HWND imagem = CriaControle(handle_, L"STATIC", L"", SS_ICON, 16, 16, 32, 32, ID_IMG_PERGUNTA,
                             nullptr);
  SendMessageW(imagem, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconW(nullptr, IDI_QUESTION)), 0);
  lblPergunta = CriaControle(handle_, L"STATIC", L"", SS_LEFT | SS_NOPREFIX, 60, 16, 304, 42,
                             ID_LBL_PERGUNTA, fonte_);
  lblArquivo = CriaControle(handle_, L"STATIC", L"", SS_LEFT | SS_NOPREFIX | SS_PATHELLIPSIS, 60,
                            62, 304, 30, ID_LBL_ARQUIVO, fonte_);
  btnSim = CriaControle(handle_, L"BUTTON", L"&Yes", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP,
                        204, 104, 75, 25, ID_BTN_SIM, fonte_);
  btnNao = CriaControle(handle_, L"BUTTON", L"&No", BS_PUSHBUTTON | WS_TABSTOP, 289, 104, 75, 25,
                        ID_BTN_NAO, fonte_);
}

void TfrmPerguntaSemEspera::Acrescenta(const std::string& texto, const std::string& arquivo,
                                       std::function<void()> seSim) {
  for (const Pergunta& p : fila_)
    if (p.sArquivo == arquivo) return;  // one question per file
  if (fila_.size() >= MAXIMO_PENDENTES) {
    if (!semPergunta_.insert(arquivo).second) return;
  } else {
    fila_.push_back({UnTextoLargo::Largo(texto), arquivo, std::move(seSim)});
  }
  MostraPrimeira();
  if (IsWindowVisible(handle_)) return;  // it waits its turn behind the one on screen
  // Shown without taking the keyboard from whatever the person is typing into.
  ShowWindow(handle_, SW_SHOWNOACTIVATE);
  FLASHWINFO piscar{sizeof piscar, handle_, FLASHW_ALL | FLASHW_TIMERNOFG, 0, 0};
  FlashWindowEx(&piscar);
}

void TfrmPerguntaSemEspera::MostraPrimeira() {
  const Pergunta& primeira = fila_.front();
  SetWindowTextW(lblPergunta, primeira.sTexto.c_str());
  std::wstring arquivo = L"Arquivo " + std::to_wstring(iRespondidas_ + 1) + L" de " +
                         std::to_wstring(iRespondidas_ + fila_.size()) + L": " +
                         NomeDoArquivo(primeira.sArquivo);
  if (!semPergunta_.empty())
    arquivo += L" (mais " + std::to_wstring(semPergunta_.size()) + L" na pasta Erro, sem pergunta)";
  SetWindowTextW(lblArquivo, arquivo.c_str());
  if (GetForegroundWindow() == handle_) SetFocus(btnSim);
}

void TfrmPerguntaSemEspera::Responde(bool bSim) {
  if (fila_.empty()) return;
  std::function<void()> seSim = std::move(fila_.front().seSim);
  fila_.pop_front();
  ++iRespondidas_;
  if (fila_.empty())
    DestroyWindow(handle_);  // the form is gone from here on
  else
    MostraPrimeira();
  if (bSim && seSim) seSim();
}

void TfrmPerguntaSemEspera::RespondeNaoATodas() {
  fila_.clear();
  DestroyWindow(handle_);  // the form is gone from here on
}

LRESULT CALLBACK TfrmPerguntaSemEspera::WndProc(HWND janela, UINT mensagem, WPARAM w, LPARAM l) {
  auto* form = reinterpret_cast<TfrmPerguntaSemEspera*>(GetWindowLongPtrW(janela, GWLP_USERDATA));
  switch (mensagem) {
    case WM_COMMAND:
      // Enter clicks the default button, Esc is the close box.
      if (HIWORD(w) != BN_CLICKED) return 0;
      if (LOWORD(w) == ID_BTN_SIM || LOWORD(w) == IDOK)
        form->Responde(true);
      else if (LOWORD(w) == ID_BTN_NAO)
        form->Responde(false);
      else if (LOWORD(w) == IDCANCEL)
        form->RespondeNaoATodas();
      return 0;
    case DM_GETDEFID:
      return MAKELRESULT(ID_BTN_SIM, DC_HASDEFID);
    case WM_CLOSE:
      form->RespondeNaoATodas();
      return 0;
    case WM_DESTROY:
      if (frmPerguntaSemEspera == form) frmPerguntaSemEspera = nullptr;
      return 0;
    case WM_NCDESTROY:
      // With its owner: the questions still waiting go unanswered.
      SetWindowLongPtrW(janela, GWLP_USERDATA, 0);
      delete form;
      return DefWindowProcW(janela, mensagem, w, l);
    default:
      return DefWindowProcW(janela, mensagem, w, l);
  }
}

void PerguntaSemEspera(const std::string& texto, const std::string& arquivo,
                       std::function<void()> seSim, HWND dono) {
  if (!frmPerguntaSemEspera) frmPerguntaSemEspera = new TfrmPerguntaSemEspera(dono);
  frmPerguntaSemEspera->Acrescenta(texto, arquivo, std::move(seSim));
}

bool TrataTeclado(MSG& msg) {
  if (!frmPerguntaSemEspera) return false;
  const HWND janela = frmPerguntaSemEspera->Handle();
  if (msg.hwnd != janela && !IsChild(janela, msg.hwnd)) return false;
  return IsDialogMessageW(janela, &msg) != FALSE;
}

}  // namespace UnPerguntaSemEspera
