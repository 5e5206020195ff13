#include "processing/UnFilaTransmissor.h"

#include <algorithm>
#include <utility>

#include "platform/UnArquivos.h"
#include "processing/UnArquivosEmEspera.h"

namespace UnFilaTransmissor {

Fila TObservacaoFila::Le(const std::string& pasta, int64_t agora) {
  Fila fila;
  std::map<std::string, Visto> vistos;
  for (const std::string& nome : UnArquivos::ListaArquivos(pasta, "*")) {
    const auto gravacao = UnArquivos::DataUltimaGravacao(pasta + nome);
    if (!gravacao) continue;  // gone meanwhile: the transmitter took it
    const auto antes = vistos_.find(nome);
    const Visto visto = antes != vistos_.end() && antes->second.iGravacao == *gravacao
                            ? antes->second
                            : Visto{*gravacao, agora};
    vistos.emplace(nome, visto);
    ++fila.iQuantidade;
    fila.iIdadeMs = std::max(fila.iIdadeMs, agora - visto.iDesde);
  }
  vistos_ = std::move(vistos);
  return fila;
}

std::optional<TVigiaTransmissor::Mudanca> TVigiaTransmissor::Avalia(const std::string& empresa,
                                                                     const Fila& envio,
                                                                     const Fila& processamento,
                                                                     int64_t agora) {
  std::string motivo;
  if (envio.iQuantidade > 0 && envio.iIdadeMs > LIMITE_ENVIO_MS)
    motivo = UnArquivosEmEspera::TextoEspera(envio.iQuantidade, envio.iIdadeMs) + " em Envio";
  if (processamento.iQuantidade > 0 && processamento.iIdadeMs > LIMITE_PROCESSAMENTO_MS)
    motivo += (motivo.empty() ? "" : "; ") +
              UnArquivosEmEspera::TextoEspera(processamento.iQuantidade, processamento.iIdadeMs) +
              " em Enviado\\EmProcessamento";
  const bool bParado = !motivo.empty();
  Estado& estado = estados_[empresa];
  if (bParado == estado.bParado) return std::nullopt;
  const int64_t duracao = agora - estado.iDesde;
  if (!bParado && ((envio.iQuantidade > 0 && envio.iIdadeMs >= duracao) ||
                   (processamento.iQuantidade > 0 && processamento.iIdadeMs >= duracao)))
    return std::nullopt;  // what was there when it stalled is still there, only seen anew
  estado = {bParado, agora};
  if (bParado)
    return Mudanca{true, "O transmissor não está enviando os CT-e da empresa " + empresa + ": " +
                             motivo};
  return Mudanca{false, "O transmissor voltou a enviar os CT-e da empresa " + empresa};
}

}  // namespace UnFilaTransmissor
