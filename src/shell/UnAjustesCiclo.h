#pragma once
// The cycle's settings that tests and the benchmark change through the environment; users
// never see them. QUELVIX_MONITOR_INTERVALO_MS gives the tick's interval in milliseconds;
// QUELVIX_MONITOR_SEM_OBSERVADOR=1 leaves every folder to the tick; QUELVIX_MONITOR_SEPARA_MS
// how long a failing file stays unchanged before it is set aside; QUELVIX_MONITOR_RETOMA_MS how
// long a stopped cycle waits before it tries again by itself.
#include <cstdint>

namespace UnAjustesCiclo {

inline constexpr int INTERVALO_CICLO_MS = 5000;
inline constexpr int64_t ESPERA_SEPARAR_MS = 60000;
inline constexpr int64_t ESPERA_RETOMADA_MS = 60000;

int RetornaIntervaloCiclo();
bool ObservacaoLigada();
int64_t RetornaEsperaSeparar();
int64_t RetornaEsperaRetomada();

}  // namespace UnAjustesCiclo
