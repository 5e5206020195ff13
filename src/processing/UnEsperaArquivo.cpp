#include "processing/UnEsperaArquivo.h"

#include <chrono>
#include <thread>

#include "platform/UnArquivos.h"
#include "platform/UnLocalidade.h"

namespace UnEsperaArquivo {

bool GravacaoAssentada(int64_t ultimaGravacao, int64_t agora) {
  return agora - ultimaGravacao >= ESPERA_GRAVACAO_MS;
}

void AguardaGravacaoAssentada(const std::string& caminho,
                              const std::function<void()>& processaMensagens) {
  std::optional<int64_t> vista = UnArquivos::DataUltimaGravacao(caminho);
  int64_t desde = UnLocalidade::AgoraMilissegundos();
  while (true) {
    const std::optional<int64_t> ultima = UnArquivos::DataUltimaGravacao(caminho);
    const int64_t agora = UnLocalidade::AgoraMilissegundos();
    if (!ultima || GravacaoAssentada(*ultima, agora)) return;
    if (ultima != vista) {
      vista = ultima;
      desde = agora;
    }
    if (agora - desde >= ESPERA_GRAVACAO_MS) return;
    processaMensagens();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

}  // namespace UnEsperaArquivo
