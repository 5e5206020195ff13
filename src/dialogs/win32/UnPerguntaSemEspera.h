#pragma once
// The yes/no question that nothing waits for: a window of its own, not modal, that asks the
// questions one after another, one per file, and, for each one answered yes, runs what that
// answer does. It holds a few dozen at most and says which one of how many is on screen;
// closing it (close box, Esc) answers no to all. It never takes the foreground from the
// person's work: it flashes in the taskbar.
#include <windows.h>

#include <deque>
#include <functional>
#include <set>
#include <string>

namespace UnPerguntaSemEspera {

class TfrmPerguntaSemEspera {
 public:
  static constexpr wchar_t CLASSE[] = L"TfrmPerguntaSemEspera";
  static constexpr int ID_LBL_PERGUNTA = 301;
  static constexpr int ID_IMG_PERGUNTA = 302;
  static constexpr int ID_LBL_ARQUIVO = 303;
  // Questions that wait at most; the files of those beyond are in Erro all the same.
  static constexpr size_t MAXIMO_PENDENTES = 50;
  // The buttons answer with the message box's own identifiers.
  static constexpr int ID_BTN_SIM = IDYES;
  static constexpr int ID_BTN_NAO = IDNO;

  // Creates the form hidden, owned by `dono`: it goes with its owner. The form destroys
  // itself when its last question is answered.
  explicit TfrmPerguntaSemEspera(HWND dono);
  TfrmPerguntaSemEspera(const TfrmPerguntaSemEspera&) = delete;
  TfrmPerguntaSemEspera& operator=(const TfrmPerguntaSemEspera&) = delete;

  HWND Handle() const { return handle_; }
  // Puts a question about `arquivo` at the end of the queue; the first one is the one on
  // screen. A file already waiting, or a full queue, adds nothing.
  void Acrescenta(const std::string& texto, const std::string& arquivo, std::function<void()> seSim);
  size_t Pendentes() const { return fila_.size(); }

  HWND lblPergunta = nullptr;
  HWND lblArquivo = nullptr;
  HWND btnSim = nullptr;
  HWND btnNao = nullptr;

 private:
  struct Pergunta {
    std::wstring sTexto;
    std::string sArquivo;
    std::function<void()> seSim;
  };
  ~TfrmPerguntaSemEspera();
  static LRESULT CALLBACK WndProc(HWND janela, UINT mensagem, WPARAM w, LPARAM l);
  void CriaComponentes();
  void MostraPrimeira();
  // Takes the question on screen off the queue, shows the next one or closes, and then runs
  // the answer: the form may be gone by the time it runs.
  void Responde(bool bSim);
  // Closing answers no to every question and the form goes.
  void RespondeNaoATodas();

  HWND handle_ = nullptr;
  HFONT fonte_ = nullptr;
  std::deque<Pergunta> fila_;
  size_t iRespondidas_ = 0;  // of this form, for "3 de 50"
  std::set<std::string> semPergunta_;  // files left out while the queue was full
};

// The open form; null while no question waits.
extern TfrmPerguntaSemEspera* frmPerguntaSemEspera;

// Asks without waiting: the question joins the open form, or opens one owned by `dono`.
void PerguntaSemEspera(const std::string& texto, const std::string& arquivo,
                       std::function<void()> seSim, HWND dono);
// The keyboard of the open form (Enter, Esc, Tab) from the message loop: true when the
// message was the form's and has been handled.
bool TrataTeclado(MSG& msg);

}  // namespace UnPerguntaSemEspera
