#pragma once
// The application's own hidden owner window, the one a second copy finds, and the message
// loop. The end of the monitor is asked here and carried out between messages, never by an
// exception crossing a window procedure.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace UnAplicacao {

inline constexpr wchar_t CLASSE[] = L"TApplication";

class TAplicacao {
 public:
  explicit TAplicacao(HINSTANCE instancia);
  ~TAplicacao();
  TAplicacao(const TAplicacao&) = delete;
  TAplicacao& operator=(const TAplicacao&) = delete;

  // A running monitor of this session: its application window by class and title.
  static bool JaEmExecucao();

  HWND Handle() const { return handle_; }
  HINSTANCE Instancia() const { return instancia_; }
  void DefineTitulo(const wchar_t* titulo);

  // Runs `inicio`, then the message loop until the end is asked; the process's exit code.
  int Executa(const std::function<void()>& inicio);
  // Objects the loop waits on beside the messages, asked before every wait, and what runs
  // when one of them is set.
  void DefineEspera(std::function<std::vector<HANDLE>()> objetos,
                    std::function<void()> aoSinalizar);
  // Handles every pending message; raises UnTela::EFimMonitor once the end was asked.
  void ProcessaMensagens();
  // Raises UnTela::EFimMonitor when the end was asked (after a modal loop returned).
  void VerificaFim() const;
  // Asks for the end with that exit code, its reason and the notice to show once the windows
  // are gone; the first request stands.
  void Encerra(int iCodigoSaida, std::string motivo = {}, std::string aviso = {});
  bool Terminando() const { return bFim_; }
  const std::string& Motivo() const { return sMotivo_; }
  const std::string& Aviso() const { return sAviso_; }
  // What a WM_CLOSE from outside (a plain taskkill) does: the same as "&Sair".
  void DefineAoFechar(std::function<void()> aoFechar) { aoFechar_ = std::move(aoFechar); }

 private:
  void Despacha(MSG& msg);

  HINSTANCE instancia_;
  HWND handle_ = nullptr;
  static LRESULT CALLBACK Procedimento(HWND janela, UINT mensagem, WPARAM w, LPARAM l);
  bool bFim_ = false;
  int iCodigoSaida_ = 0;
  std::string sMotivo_, sAviso_;
  std::function<void()> aoFechar_;
  std::function<std::vector<HANDLE>()> objetosEspera_;
  std::function<void()> aoSinalizar_;
};

}  // namespace UnAplicacao
