#pragma once
// What this run knows of the prints that could not be made yet (their document missing, the
// printing program not starting), kept apart from the print record: never written, gone with
// the run. The rules of such a print's fate live here too.
#include <cstdint>
#include <map>
#include <string>
#include <utility>

namespace UnFalhasImpressao {

// Told once after this long; given up after a day on this run's clock.
inline constexpr int64_t AVISO_MS = 10LL * 60 * 1000;
inline constexpr int64_t DESISTENCIA_MS = 24LL * 60 * 60 * 1000;

enum class Destino { Espera, Avisa, Desiste };

class TFalhasImpressao {
 public:
  // A print failed at `agora` (monotonic ms); `bPendenteHaUmDia` when the record says it has
  // been pending for a day (for runs that end every night). What becomes of it now.
  Destino Falha(const std::string& chave, const std::string& protocolo, int64_t agora,
                bool bPendenteHaUmDia);
  // Printed or given up: nothing more is kept of it.
  void Esquece(const std::string& chave, const std::string& protocolo) {
    falhas_.erase({chave, protocolo});
  }

 private:
  struct Falha_ {
    int64_t iDesde = 0;
    bool bAvisada = false;
  };
  std::map<std::pair<std::string, std::string>, Falha_> falhas_;
};

}  // namespace UnFalhasImpressao
