#pragma once
// The activity log support reads: one line per handled file, per error that ends a pass or
// the monitor, per start and end. One file a day beside the executable, kept 30 days. A log
// that cannot be written is ignored.
#include <functional>
#include <string>

#include "platform/UnLocalidade.h"

// One log line for a message that may span lines.
std::string NumaLinha(std::string texto);

class TLogAtividade {
 public:
  static constexpr int DIAS_GUARDADOS = 30;

  // Logs go to `pastaExecutavel` + "Log"; files older than the kept days are removed.
  void Inicia(const std::string& pastaExecutavel);
  void Registra(const std::string& texto);
  // The file a day's lines go to.
  std::string ArquivoDoDia(const UnLocalidade::DataHora& dia) const;

  std::function<UnLocalidade::DataHora()> Relogio = UnLocalidade::Agora;

 private:
  void ApagaAntigos(const UnLocalidade::DataHora& hoje) const;
  std::string pasta_;
  int diaLimpo_ = -1;
};
