#pragma once
// The Retorno folders of the issuing companies, watched for new answers so that the company's
// pass runs as they arrive. A change counts once the folders have been quiet for a moment:
// the transmitter writes a file in several steps, and a burst of answers should make one
// pass, not one per file.
#include <chrono>
#include <set>
#include <string>
#include <vector>

#include "platform/UnObservaPastas.h"
#include "shell/UnMonitor.h"

namespace UnObservadorRetorno {

using Relogio = std::chrono::steady_clock;

inline constexpr auto ASSENTO = std::chrono::milliseconds(30);
// Folders that never fall quiet are still passed over this often.
inline constexpr auto ASSENTO_MAXIMO = std::chrono::milliseconds(250);

class TObservadorRetorno {
 public:
  // Watches the Retorno folders of these companies; none when notifications are switched off.
  void DefineEmpresas(const std::vector<TEmpresaObservada>& empresas);
  // Notes the folders the system reports as changed; never waits.
  void LeAlteracoes();
  // Milliseconds until the folders noted count as settled; -1 when none waits.
  int MsAteAssentar() const;
  // The folders noted, taken out, once they have settled; none before.
  std::vector<std::string> RetiraAssentadas();
  // For the shell's wait on the platform's waitable.
  const UnObservaPastas::ObservaPastas& Observador() const { return observador_; }

 private:
  Relogio::time_point Prazo() const;

  UnObservaPastas::ObservaPastas observador_;
  std::set<std::string> alteradas_;
  Relogio::time_point primeira_, ultima_;
};

}  // namespace UnObservadorRetorno
