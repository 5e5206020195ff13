#include "processing/UnEsperaArquivo.h"

#include <chrono>
#include <thread>

#include "platform/UnArquivos.h"
#include "platform/UnLocalidade.h"

namespace UnEsperaArquivo {

bool GravacaoAssentada(int64_t ultimaGravacao, int64_t agora) {
  return agora - ultimaGravacao >= ESPERA_GRAVACAO_MS;
}

bool AguardaGravacaoAssentada(const std::string& caminho,
                              const std::function<void()>& processaMensagens) {
  std::optional<int64_t> vista = UnArquivos::DataUltimaGravacao(caminho);
  const int64_t inicio = UnLocalidade::AgoraMilissegundos();
  int64_t desde = inicio;
  while (true) {
    const std::optional<int64_t> ultima = UnArquivos::DataUltimaGravacao(caminho);
    const int64_t agora = UnLocalidade::AgoraMilissegundos();
    if (!ultima || GravacaoAssentada(*ultima, agora)) return true;
    if (ultima != vista) {
      vista = ultima;
      desde = agora;
    }
    if (agora - desde >= ESPERA_GRAVACAO_MS) return true;
    if (agora - inicio >= ESPERA_MAXIMA_MS) return false;
    processaMensagens();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

}  // namespace UnEsperaArquivo
