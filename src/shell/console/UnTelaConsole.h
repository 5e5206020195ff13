#pragma once
// The monitor's screen on a terminal: one line per event, notices on standard error, and the
// signals that stand for the window's buttons and menu.
#include "shell/UnTela.h"

class TMonitorCTe;

class TTelaConsole : public UnTela::Tela {
 public:
  void DefineMonitor(TMonitorCTe& monitor) { monitor_ = &monitor; }
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
  void MostraSituacaoArquivo(const std::string& linha) override;
  // The lines of each file's changes already tell the terminal what waits.
  void MostraEspera(size_t, int64_t, const std::string&) override {}
  // A line when the count changes.
  void MostraDuvidas(size_t quantidade) override;
  // This run's, one line each; the log keeps the earlier ones.
  void MostraOcorrencia(const UnOcorrencias::Ocorrencia& ocorrencia, bool bAnterior) override;

  // Installs the handlers: SIGINT/SIGTERM "&Sair", SIGHUP "Reiniciar", SIGUSR1 "Zerar Valores".
  static void InstalaSinais();
  // Waits up to `milissegundos` for a signal, or for `descritor` (when given) to be readable;
  // true when either came.
  static bool EsperaSinal(int milissegundos, int descritor = -1);
  // Whether "Reiniciar" ran a pass since the last call.
  bool ConsomeReinicio();

 private:
  TMonitorCTe* monitor_ = nullptr;
  bool bReiniciado_ = false;
  size_t iDuvidas_ = 0;
};
