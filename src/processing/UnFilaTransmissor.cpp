#include "processing/UnFilaTransmissor.h"

#include <algorithm>

#include "platform/UnArquivos.h"
#include "processing/UnArquivosEmEspera.h"

namespace UnFilaTransmissor {

Fila LeFila(const std::string& pasta, int64_t agora) {
  Fila fila;
  for (const std::string& nome : UnArquivos::ListaArquivos(pasta, "*")) {
    const auto gravacao = UnArquivos::DataUltimaGravacao(pasta + nome);
    if (!gravacao) continue;  // gone meanwhile: the transmitter took it
    ++fila.iQuantidade;
    fila.iIdadeMs = std::max(fila.iIdadeMs, agora - *gravacao);
  }
  return fila;
}

std::optional<TVigiaTransmissor::Mudanca> TVigiaTransmissor::Avalia(const std::string& empresa,
                                                                     const Fila& envio,
                                                                     const Fila& processamento) {
  std::string motivo;
  if (envio.iQuantidade > 0 && envio.iIdadeMs > LIMITE_ENVIO_MS)
    motivo = UnArquivosEmEspera::TextoEspera(envio.iQuantidade, envio.iIdadeMs) + " em Envio";
  if (processamento.iQuantidade > 0 && processamento.iIdadeMs > LIMITE_PROCESSAMENTO_MS)
    motivo += (motivo.empty() ? "" : "; ") +
              UnArquivosEmEspera::TextoEspera(processamento.iQuantidade, processamento.iIdadeMs) +
              " em Enviado\\EmProcessamento";
  const bool bParado = !motivo.empty();
  bool& estado = parados_[empresa];
  if (bParado == estado) return std::nullopt;
  estado = bParado;
  if (bParado)
    return Mudanca{true, "O transmissor não está enviando os CT-e da empresa " + empresa + ": " +
                             motivo};
  return Mudanca{false, "O transmissor voltou a enviar os CT-e da empresa " + empresa};
}

}  // namespace UnFilaTransmissor
