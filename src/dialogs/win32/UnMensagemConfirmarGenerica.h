#pragma once
// The "Aviso do Sistema" notice: the text alone, or the text with the acknowledgement box that
// must be ticked before OK can be pressed.
#include <windows.h>

#include <functional>
#include <string>

namespace UnMensagemConfirmarGenerica {

class TfrmMensagemConfirmarGenerica {
 public:
  static constexpr wchar_t CLASSE[] = L"TfrmMensagemConfirmarGenerica";
  static constexpr int ID_CKB_CONCORDO = 201;
  static constexpr int ID_BTN_OK = 202;
  static constexpr int ID_PANEL1 = 203;
  static constexpr int ID_LBL_MENSAGEM = 204;

  // Creates the form hidden, in its design size, owned by `dono`. The form destroys itself
  // when it is closed.
  explicit TfrmMensagemConfirmarGenerica(HWND dono);
  TfrmMensagemConfirmarGenerica(const TfrmMensagemConfirmarGenerica&) = delete;
  TfrmMensagemConfirmarGenerica& operator=(const TfrmMensagemConfirmarGenerica&) = delete;

  HWND Handle() const { return handle_; }
  void Close() { DestroyWindow(handle_); }

  HWND lblMensagem = nullptr;
  HWND ckbConcordo = nullptr;
  HWND Panel1 = nullptr;
  HWND btnOk = nullptr;

 private:
  ~TfrmMensagemConfirmarGenerica();
  static LRESULT CALLBACK WndProc(HWND janela, UINT mensagem, WPARAM w, LPARAM l);
  void CriaComponentes();
  void ckbConcordoClick();
  void btnOkClick();
  void FormClose();
  void AlinhaPainel();

  HWND handle_ = nullptr;
  HFONT fonte_ = nullptr;
  HICON imagemOk_ = nullptr;
};

// The newest form while it is open; null once it has closed.
extern TfrmMensagemConfirmarGenerica* frmMensagemConfirmarGenerica;

// Shows a fresh form, not modal, lets `processaMensagens` draw it, and with
// `fechaAutomatico` keeps it on screen five seconds without handling input, then closes it.
void MostraAviso(const std::string& texto, bool confirmacao, bool fechaAutomatico, HWND dono,
                 const std::function<void()>& processaMensagens);

}  // namespace UnMensagemConfirmarGenerica
