#include "dialogs/win32/UnMensagemConfirmarGenerica.h"

#include <algorithm>

#include "dialogs/win32/UnControles.h"
#include "platform/win32/UnTextoLargo.h"

namespace UnMensagemConfirmarGenerica {

TfrmMensagemConfirmarGenerica* frmMensagemConfirmarGenerica = nullptr;

namespace {

// Single fixed border and a caption without any border icon: no system menu, no close box.
constexpr DWORD ESTILO = WS_POPUP | WS_CAPTION | WS_CLIPCHILDREN;
constexpr DWORD ESTILO_ESTENDIDO = WS_EX_CONTROLPARENT;
constexpr int LARGURA_CLIENTE = 534, ALTURA_CLIENTE = 175;
constexpr int ALTURA_PAINEL = 40;
constexpr int LARGURA_EXTERNA = 540;
constexpr int ALTURA_COM_CONFIRMACAO = 200, ALTURA_SIMPLES = 80;
constexpr DWORD MS_FECHAMENTO_AUTOMATICO = 5000;

}  // namespace

TfrmMensagemConfirmarGenerica::TfrmMensagemConfirmarGenerica(HWND dono) {
  const SIZE externo = UnControles::TamanhoExterno(ESTILO, ESTILO_ESTENDIDO, LARGURA_CLIENTE,
                                                   ALTURA_CLIENTE);
  // The design leaves the place open: the middle of the screen.
  const int x = (GetSystemMetrics(SM_CXSCREEN) - LARGURA_EXTERNA) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - ALTURA_COM_CONFIRMACAO) / 2;
  handle_ = UnControles::CriaJanelaDialogo(CLASSE, L"Aviso do Sistema", ESTILO, ESTILO_ESTENDIDO, x, y,
                                            externo, dono, this, &WndProc);
  CriaComponentes();
}

TfrmMensagemConfirmarGenerica::~TfrmMensagemConfirmarGenerica() {
  if (fonte_) DeleteObject(fonte_);
  if (imagemOk_) DestroyIcon(imagemOk_);
}

void TfrmMensagemConfirmarGenerica::CriaComponentes() {
  using UnControles::CriaControle;
  // Tahoma 8 points at 96 pixels per inch.
  fonte_ = UnControles::CriaFonte(L"Tahoma", -11);
  SendMessageW(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(fonte_), FALSE);
  lblMensagem = CriaControle(handle_, L"STATIC", L"Mensagem Genérica", SS_LEFT | SS_NOPREFIX, 8,
                             16, 517, 72, ID_LBL_MENSAGEM, fonte_);
  // 185 pixels as designed, wider where the font needs it to show the whole sentence.
  const wchar_t* sCiente = L"Estou ciente destas informações.";
  const int iLarguraCiente =
      std::max(185, UnControles::LarguraTexto(sCiente, fonte_) + GetSystemMetrics(SM_CXMENUCHECK) + 8);
  ckbConcordo = CriaControle(handle_, L"BUTTON", sCiente, BS_AUTOCHECKBOX | WS_TABSTOP | WS_GROUP,
                             8, 94, iLarguraCiente, 17, ID_CKB_CONCORDO, fonte_);
  Panel1 = UnControles::CriaConteiner(handle_, 0, ALTURA_CLIENTE - ALTURA_PAINEL, LARGURA_CLIENTE,
                                      ALTURA_PAINEL, ID_PANEL1);
  btnOk = CriaControle(Panel1, L"BUTTON", L"OK", BS_PUSHBUTTON | WS_TABSTOP, 445, 7, 75, 25,
                       ID_BTN_OK, fonte_);
  imagemOk_ = UnControles::CarregaImagem(L"OK");
  if (imagemOk_)
    SendMessageW(btnOk, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(imagemOk_));
  EnableWindow(btnOk, FALSE);
}

// Panel1 stays docked to the bottom edge whatever height the form is given.
void TfrmMensagemConfirmarGenerica::AlinhaPainel() {
  RECT cliente;
  GetClientRect(handle_, &cliente);
  MoveWindow(Panel1, 0, cliente.bottom - ALTURA_PAINEL, cliente.right, ALTURA_PAINEL, TRUE);
}

void TfrmMensagemConfirmarGenerica::ckbConcordoClick() {
  EnableWindow(btnOk, SendMessageW(ckbConcordo, BM_GETCHECK, 0, 0) == BST_CHECKED);
}

// A click that reaches a disabled OK (a program's BM_CLICK) must not close the notice either.
void TfrmMensagemConfirmarGenerica::btnOkClick() {
  if (IsWindowEnabled(btnOk)) Close();
}

void TfrmMensagemConfirmarGenerica::FormClose() {
  if (frmMensagemConfirmarGenerica == this) frmMensagemConfirmarGenerica = nullptr;
}

LRESULT CALLBACK TfrmMensagemConfirmarGenerica::WndProc(HWND janela, UINT mensagem, WPARAM w,
                                                        LPARAM l) {
  auto* form =
      reinterpret_cast<TfrmMensagemConfirmarGenerica*>(GetWindowLongPtrW(janela, GWLP_USERDATA));
  switch (mensagem) {
    case WM_COMMAND:
      if (HIWORD(w) == BN_CLICKED && LOWORD(w) == ID_CKB_CONCORDO) form->ckbConcordoClick();
      if (HIWORD(w) == BN_CLICKED && LOWORD(w) == ID_BTN_OK) form->btnOkClick();
      return 0;
    case WM_SIZE:
      if (form->Panel1) form->AlinhaPainel();
      return 0;
    case WM_DESTROY:
      form->FormClose();
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrW(janela, GWLP_USERDATA, 0);
      delete form;
      return DefWindowProcW(janela, mensagem, w, l);
    default:
      return DefWindowProcW(janela, mensagem, w, l);
  }
}

void MostraAviso(const std::string& texto, bool confirmacao, bool fechaAutomatico, HWND dono,
                 const std::function<void()>& processaMensagens) {
  auto* form = new TfrmMensagemConfirmarGenerica(dono);
  frmMensagemConfirmarGenerica = form;
  const HWND janela = form->Handle();
  ShowWindow(janela, SW_SHOWNORMAL);
  const int mostra = confirmacao ? SW_SHOW : SW_HIDE;
  ShowWindow(form->Panel1, mostra);
  ShowWindow(form->ckbConcordo, mostra);
  ShowWindow(form->btnOk, mostra);
  SetWindowPos(janela, nullptr, 0, 0, LARGURA_EXTERNA,
               confirmacao ? ALTURA_COM_CONFIRMACAO : ALTURA_SIMPLES,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  UpdateWindow(janela);
  SetWindowTextW(form->lblMensagem, UnTextoLargo::Largo(texto).c_str());
  UpdateWindow(form->lblMensagem);
  processaMensagens();
  if (!fechaAutomatico) return;
  // Its five seconds pass with the window answering (paint, other programs' broadcasts), not
  // asleep; the cycle's timers wait, as they did: this notice precedes the end of the run.
  const ULONGLONG fim = GetTickCount64() + MS_FECHAMENTO_AUTOMATICO;
  for (ULONGLONG agora; IsWindow(janela) && (agora = GetTickCount64()) < fim;) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(fim - agora),
                              QS_ALLINPUT & ~QS_TIMER);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, WM_TIMER - 1, PM_REMOVE) ||
           PeekMessageW(&msg, nullptr, WM_TIMER + 1, 0xFFFF, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {  // an end asked meanwhile is the caller's to see
        PostQuitMessage(static_cast<int>(msg.wParam));
        return;
      }
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  if (IsWindow(janela)) DestroyWindow(janela);
}

}  // namespace UnMensagemConfirmarGenerica
