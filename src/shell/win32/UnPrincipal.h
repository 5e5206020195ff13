#pragma once
// TfrmPrincipal: the monitor's window, with the counters, the file being read, the version,
// the three buttons, the cycle timer and the tray icon with its menu. It is the screen the
// core talks to.
// UnTela.h comes first: its MB_ constants share their names with the Windows macros.
#include "shell/UnTela.h"
#include "shell/UnObservadorRetorno.h"

#include <windows.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "shell/win32/UnAplicacao.h"
#include "shell/win32/UnBandeja.h"

class TMonitorCTe;

class TfrmPrincipal : public UnTela::Tela {
 public:
  static constexpr wchar_t CLASSE[] = L"TfrmPrincipal";
  // Control and menu identifiers.
  static constexpr int ID_PAGE_CONTROL1 = 100, ID_TAB_SHEET1 = 101, ID_LBL_VERSAO = 102,
                       ID_LBL_NOME_ARQUIVO = 103, ID_LABEL10 = 104, ID_GROUP_BOX1 = 105,
                       ID_GROUP_BOX2 = 106, ID_BEVEL1 = 107, ID_BEVEL2 = 108, ID_BEVEL3 = 109;
  static constexpr int ID_BIT_BTN1 = 110, ID_BIT_BTN2 = 111, ID_BIT_BTN3 = 112;
  static constexpr int ID_PMNUI_OPEN = 120, ID_SAIR1 = 121;
  // The second page: the day's occurrences.
  static constexpr int ID_TAB_SHEET2 = 122, ID_LST_OCORRENCIAS = 123;
  // Value labels in the order of the counter fields; their captions follow at +20.
  static constexpr int ID_PRIMEIRO_CONTADOR = 130, ID_PRIMEIRA_LEGENDA = 150;
  static constexpr UINT_PTR ID_TIMER1 = 1;
  // Fires when the changes seen in the Retorno folders have settled.
  static constexpr UINT_PTR ID_TIMER_OBSERVADOR = 3;
  // Opens the tray menu outside any pass.
  static constexpr UINT WM_ABRE_MENU = WM_USER + 2;
  // Alerts that come close together make one balloon.
  static constexpr UINT_PTR ID_TIMER_BALAO = 4;

  explicit TfrmPrincipal(UnAplicacao::TAplicacao& aplicacao);
  ~TfrmPrincipal() override;
  TfrmPrincipal(const TfrmPrincipal&) = delete;
  TfrmPrincipal& operator=(const TfrmPrincipal&) = delete;

  void DefineMonitor(TMonitorCTe& monitor) { monitor_ = &monitor; }
  // The start-up: tray icon, the core's sequence, then the window is shown.
  void FormCreate();
  HWND Handle() const { return handle_; }
  UnBandeja::TBandeja& Bandeja() { return bandeja_; }

  // UnTela::Tela
  void MostraVersao(const std::string& texto) override;
  void MostraArquivo(const std::string& nome) override;
  void MostraContadores(const std::array<std::string, UnTela::QUANTIDADE_CONTADORES>& v) override;
  void PerguntaSemEspera(const std::string& texto, const std::string& arquivo,
                         std::function<void()> seSim) override;
  void MostraNotificacao(const std::string& texto, const std::string& titulo,
                         unsigned flags) override;
  void MostraAviso(const std::string& texto, bool confirmacao, bool fechaAutomatico) override;
  void ProcessaMensagens() override;
  void MostraCicloParado(const std::string& mensagem) override;
  // The activity log keeps each file's changes; the window shows how many wait.
  void MostraSituacaoArquivo(const std::string&) override {}
  void MostraEspera(size_t quantidade, int64_t iIdadeMs, const std::string& sMotivoComum) override;
  // Beside what waits, on the file label between passes.
  void MostraDuvidas(size_t quantidade) override { iDuvidas_ = quantidade; }
  // A row of the occurrences page; an alert of this run also a balloon, several at once one.
  void MostraOcorrencia(const UnOcorrencias::Ocorrencia& ocorrencia, bool bAnterior) override;
  // Shows the page of the day's occurrences (a click on a balloon).
  void MostraOcorrencias();
  HWND ListaOcorrencias() const { return lstOcorrencias; }

 private:
  static LRESULT CALLBACK WndProc(HWND janela, UINT mensagem, WPARAM w, LPARAM l);
  LRESULT TrataMensagem(UINT mensagem, WPARAM w, LPARAM l);
  void CriaComponentes();
  void CriaMenu();
  // Runs a handler of the core inside the window procedure: the end of the monitor is asked
  // of the application, any other error goes to the standard error display.
  void Evento(const std::function<void()>& evento);
  void Timer1Timer();
  void BitBtn3Click();
  // New answers: the folders are noted, and their passes run once the changes settle.
  void AnotaPastasAlteradas();
  void ArmaAssento();
  void ProcessaPastasAlteradas();
  void TrataIconeBandeja(LPARAM l);
  // The tray menu runs a modal loop of its own: it is never opened inside a pass, and the
  // passes that fall due while it is open run under it.
  void AbreMenuBandeja();
  // A close, a session's end: the monitor ends as by "&Sair", between two files.
  void EncerraPorFora(const std::string& motivo);
  void pmnuiOpenClick();
  void FormClose();
  void FormDestroy();
  void MostraPagina(int pagina);
  LRESULT TrataNotificacao(const NMHDR& aviso);
  void MostraBalaoPendente();

  UnAplicacao::TAplicacao& aplicacao_;
  TMonitorCTe* monitor_ = nullptr;
  HWND handle_ = nullptr;
  HWND lblVersao = nullptr, lblNomeArquivo = nullptr, TabSheet1 = nullptr;
  HWND PageControl1 = nullptr, TabSheet2 = nullptr, lstOcorrencias = nullptr;
  // The page's own bounded copy: the list asks for its rows here, never the pass's state.
  UnOcorrencias::TListaOcorrencias ocorrencias_;
  int iDiaOcorrencias_ = 0;  // yyyymmdd of the rows on the page
  void MudaDiaOcorrencias();
  std::vector<UnOcorrencias::Ocorrencia> alertasPendentes_;
  std::wstring textoLinha_;  // the text a row's cell was asked for, alive until the next ask
  std::array<HWND, UnTela::QUANTIDADE_CONTADORES> lblContadores{};
  HMENU PopupMenu1 = nullptr;
  HFONT fonte_ = nullptr, fonteNegrito_ = nullptr, fonteContadores_ = nullptr;
  std::array<HICON, 3> imagens_{};
  HICON icone_ = nullptr;
  UnBandeja::TBandeja bandeja_;
  UnObservadorRetorno::TObservadorRetorno observador_;
  bool bTickEmCurso_ = false;
  bool bParado_ = false;
  size_t iDuvidas_ = 0;
  bool bMenuAberto_ = false;   // the tray menu's loop runs
  bool bMenuPedido_ = false;   // asked for during a pass: opened once it ends
};
