#pragma once
// The cycle's settings that tests and the benchmark change through the environment; users
// never see them. QUELVIX_MONITOR_INTERVALO_MS gives the tick's interval in milliseconds;
// QUELVIX_MONITOR_SEM_OBSERVADOR=1 leaves every folder to the tick.
namespace UnAjustesCiclo {

inline constexpr int INTERVALO_CICLO_MS = 5000;

int RetornaIntervaloCiclo();
bool ObservacaoLigada();

}  // namespace UnAjustesCiclo
