#pragma once
// The transmitter may still be writing a processing-result file when it is listed: such a
// file is read only once its last write is old enough.
#include <cstdint>
#include <functional>
#include <string>

namespace UnEsperaArquivo {

inline constexpr int64_t ESPERA_GRAVACAO_MS = 3000;
inline constexpr int64_t ESPERA_MAXIMA_MS = 15000;

// True when the last write lies at least ESPERA_GRAVACAO_MS before `agora` (milliseconds).
bool GravacaoAssentada(int64_t ultimaGravacao, int64_t agora);
// Returns at once for a file written long enough ago or one that cannot be seen; otherwise lets
// pending messages run between short sleeps until it is. A last write that stays unchanged
// for ESPERA_GRAVACAO_MS of this workstation's time also ends the wait, so a file server whose
// clock runs ahead cannot hold the pass. A file still being written after ESPERA_MAXIMA_MS
// gives false: it is left for a later pass, so a writer that never ends cannot hold it either.
bool AguardaGravacaoAssentada(const std::string& caminho,
                              const std::function<void()>& processaMensagens);

}  // namespace UnEsperaArquivo
