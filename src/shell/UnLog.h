#pragma once
// The activity log support reads: one line per handled file, per error that ends a pass or
// the monitor, per start and end. One file a day beside the executable, kept 30 days. A log
// that cannot be written is ignored.
#include <functional>
#include <string>

#include "platform/UnLocalidade.h"

// One line for a message that may span lines or carry control characters.
std::string NumaLinha(std::string texto);

class TLogAtividade {
 public:
  static constexpr int DIAS_GUARDADOS = 30;
  // Characters of one entry at most.
  static constexpr size_t MAXIMO_ENTRADA = 2000;

  // Logs go to `pastaExecutavel` + "Log"; files older than the kept days are removed.
  void Inicia(const std::string& pastaExecutavel);
  // One line whatever the text carries (see NumaLinha), cut to MAXIMO_ENTRADA: a text read
  // from a file can never forge a line of its own.
  void Registra(const std::string& texto);
  // The file a day's lines go to.
  std::string ArquivoDoDia(const UnLocalidade::DataHora& dia) const;

  std::function<UnLocalidade::DataHora()> Relogio = UnLocalidade::Agora;

 private:
  void ApagaAntigos(const UnLocalidade::DataHora& hoje) const;
  std::string pasta_;
  int diaLimpo_ = -1;
};
