// monitor-cte: the monitor on a Linux terminal. It reads no arguments and finds everything
// from its own folder, like the Windows program.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <string>

#include "platform/UnTrava.h"
#include "platform/posix/UnObservaPastasPosix.h"
#include "shell/UnAjustesCiclo.h"
#include "shell/UnMonitor.h"
#include "shell/UnObservadorRetorno.h"
#include "shell/console/UnTelaConsole.h"

namespace {

const int INTERVALO_MS = UnAjustesCiclo::RetornaIntervaloCiclo();

// One monitor per login session, as the Windows check holds per desktop.
std::string ArquivoTravaSessao() {
  const char* pasta = std::getenv("XDG_RUNTIME_DIR");
  if (!pasta || !*pasta) pasta = std::getenv("TMPDIR");
  if (!pasta || !*pasta) pasta = "/tmp";
  return std::string(pasta) + "/quelvix-monitor-cte.lock";
}

int64_t AgoraMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

int main() {
  UnTrava::Trava instancia;
  if (instancia.Obtem(ArquivoTravaSessao()) == UnTrava::Trava::Resultado::Ocupada) {
    std::cerr << "Aviso do sistema: O quelvix Monitor CT-e já está em execução" << std::endl;
    return 1;
  }
  TTelaConsole::InstalaSinais();
  TTelaConsole tela;
  TMonitorCTe monitor(tela);
  tela.DefineMonitor(monitor);
  try {
    UnObservadorRetorno::TObservadorRetorno observador;
    monitor.TrataEvento([&] { monitor.FormCreate(); });
    observador.DefineEmpresas(monitor.EmpresasObservadas());
    int64_t proximo = AgoraMs() + INTERVALO_MS;
    for (;;) {
      const int64_t falta = proximo - AgoraMs();
      const int assento = observador.MsAteAssentar();
      const int64_t espera = assento < 0 ? falta : std::min<int64_t>(falta, assento);
      if (espera > 0 &&
          TTelaConsole::EsperaSinal(static_cast<int>(espera),
                                    UnObservaPastas::Descritor(observador.Observador()))) {
        tela.ProcessaMensagens();
        observador.LeAlteracoes();
      } else {
        // New answers settled: their company's pass at once, not at the next tick.
        for (const std::string& pasta : observador.RetiraAssentadas())
          monitor.TrataEvento([&] { monitor.ProcessaPastaAlterada(pasta); });
        if (falta <= 0) {
          proximo += INTERVALO_MS;
          if (proximo <= AgoraMs()) proximo = AgoraMs() + INTERVALO_MS;
          monitor.Timer1Timer();  // also while the cycle is stopped: the checks run every tick
          observador.DefineEmpresas(monitor.EmpresasObservadas());
        }
      }
      // The pass of "Reiniciar" counts as a tick: the next one comes a whole interval after it.
      if (tela.ConsomeReinicio()) proximo = AgoraMs() + INTERVALO_MS;
    }
  } catch (const UnTela::EFimMonitor& fim) {
    monitor.Encerra(fim.iCodigoSaida, fim.sMotivo);
    if (!fim.sAviso.empty()) tela.MostraNotificacao(fim.sAviso, AVISO_DO_SISTEMA, UnTela::ICONE_ERRO);
    // Detached: every change is on disk. The updater, once started, finds no process left.
    if (!fim.bImediato) monitor.IBD_BancoDados.reset();
    // The client library's threads (the embedded engine's) must not race the process's own
    // teardown of its static objects: the process ends here without it.
    std::cout.flush();
    std::cerr.flush();
    _exit(fim.iCodigoSaida);
  }
}
