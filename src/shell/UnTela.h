#pragma once
// What the core asks of the shell: the window on Windows, the terminal on Linux.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "processing/UnOcorrencias.h"

namespace UnTela {

inline constexpr unsigned ICONE_ERRO = 16;
inline constexpr unsigned ICONE_AVISO = 48;
inline constexpr unsigned SEM_ICONE = 0;

inline constexpr int QUANTIDADE_CONTADORES = 11;

class Tela {
 public:
  virtual ~Tela() = default;
  virtual void MostraVersao(const std::string& texto) = 0;
  // The file being read; empty between files.
  virtual void MostraArquivo(const std::string& nome) = 0;
  // The eleven counters formatted, in the order of the counter fields.
  virtual void MostraContadores(const std::array<std::string, QUANTIDADE_CONTADORES>& valores) = 0;
  // A yes/no question about `arquivo` that the caller does not wait for: `seSim` runs later,
  // when and if the user answers yes, and never once the monitor is ending. One question per
  // file: a file already asked about and not answered is not asked about again.
  virtual void PerguntaSemEspera(const std::string& texto, const std::string& arquivo,
                                 std::function<void()> seSim) = 0;
  // A modal message box: text, caption and MB_ icon flags.
  virtual void MostraNotificacao(const std::string& texto, const std::string& titulo,
                                 unsigned flags) = 0;
  // The notice dialog "Aviso do Sistema".
  virtual void MostraAviso(const std::string& texto, bool confirmacao, bool fechaAutomatico) = 0;
  // Lets pending messages (buttons, menu, signals) run.
  virtual void ProcessaMensagens() = 0;
  // The cycle stopped after an error (empty text: it runs again).
  virtual void MostraCicloParado(const std::string& mensagem) = 0;
  // A file started or stopped waiting in its Retorno folder: its name, the reason, since when.
  virtual void MostraSituacaoArquivo(const std::string& linha) = 0;
  // How many files wait and how long the oldest has waited (ms), with a refusal several of
  // them share (empty when none); shown while nothing is being read. Zero files: nothing waits.
  virtual void MostraEspera(size_t quantidade, int64_t iIdadeMs,
                            const std::string& sMotivoComum) = 0;
  // How many CT-e of all companies are in doubt: their situation asked, no answer yet.
  virtual void MostraDuvidas(size_t quantidade) = 0;
  // Something that happened, for the day's list (and, when it is an alert, for a person now);
  // `bAnterior` for those of an earlier run of the same day, read back from the log.
  virtual void MostraOcorrencia(const UnOcorrencias::Ocorrencia& ocorrencia, bool bAnterior) = 0;
};

// Raised to end the monitor at once; the shell ends the process with this exit code. The
// hand-over to the updater ends it without any shutdown step (`bImediato`): the updater
// replaces the executable, which nothing of this process may hold by then. `sMotivo` is why,
// for the log; `sAviso`, when not empty, is told to the person once the monitor's windows are
// gone and a new copy may start.
struct EFimMonitor {
  int iCodigoSaida = 0;
  bool bImediato = false;
  std::string sMotivo;
  std::string sAviso;
};

}  // namespace UnTela
