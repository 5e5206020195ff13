#pragma once
// The yes/no question that nothing waits for: a window of its own, not modal, that asks the
// questions one after another and, for each one answered yes, runs what that answer does.
// Closing it (close box, Esc) answers no.
#include <windows.h>

#include <deque>
#include <functional>
#include <string>

namespace UnPerguntaSemEspera {

class TfrmPerguntaSemEspera {
 public:
  static constexpr wchar_t CLASSE[] = L"TfrmPerguntaSemEspera";
  static constexpr int ID_LBL_PERGUNTA = 301;
  static constexpr int ID_IMG_PERGUNTA = 302;
  // The buttons answer with the message box's own identifiers.
  static constexpr int ID_BTN_SIM = IDYES;
  static constexpr int ID_BTN_NAO = IDNO;

  // Creates the form hidden, owned by `dono`: it goes with its owner. The form destroys
  // itself when its last question is answered.
  explicit TfrmPerguntaSemEspera(HWND dono);
  TfrmPerguntaSemEspera(const TfrmPerguntaSemEspera&) = delete;
  TfrmPerguntaSemEspera& operator=(const TfrmPerguntaSemEspera&) = delete;

  HWND Handle() const { return handle_; }
  // Puts a question at the end of the queue; the first one is the one on screen.
  void Acrescenta(const std::string& texto, std::function<void()> seSim);
  size_t Pendentes() const { return fila_.size(); }

  HWND lblPergunta = nullptr;
  HWND btnSim = nullptr;
  HWND btnNao = nullptr;

 private:
  struct Pergunta {
    std::wstring sTexto;
    std::function<void()> seSim;
  };
  ~TfrmPerguntaSemEspera();
  static LRESULT CALLBACK WndProc(HWND janela, UINT mensagem, WPARAM w, LPARAM l);
  void CriaComponentes();
  void MostraPrimeira();
  // Takes the question on screen off the queue, shows the next one or closes, and then runs
  // the answer: the form may be gone by the time it runs.
  void Responde(bool bSim);

  HWND handle_ = nullptr;
  HFONT fonte_ = nullptr;
  std::deque<Pergunta> fila_;
};

// The open form; null while no question waits.
extern TfrmPerguntaSemEspera* frmPerguntaSemEspera;

// Asks without waiting: the question joins the open form, or opens one owned by `dono`.
void PerguntaSemEspera(const std::string& texto, std::function<void()> seSim, HWND dono);
// The keyboard of the open form (Enter, Esc, Tab) from the message loop: true when the
// message was the form's and has been handled.
bool TrataTeclado(MSG& msg);

}  // namespace UnPerguntaSemEspera
