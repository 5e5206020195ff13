#include "processing/UnArquivosEmEspera.h"

#include <algorithm>

namespace UnArquivosEmEspera {

TArquivosEmEspera::Decisao TArquivosEmEspera::RegistraFalha(const std::string& caminho,
                                                             bool bConflito,
                                                             const std::string& detalhe,
                                                             std::optional<int64_t> ultimaGravacao,
                                                             int64_t agora) {
  const auto [i, nova] = esperas_.try_emplace(caminho);
  Espera& espera = i->second;
  if (nova) espera.iDesde = agora;
  if (nova || ultimaGravacao != espera.iGravacaoVista) {
    espera.iGravacaoVista = ultimaGravacao;
    espera.iGravacaoVistaDesde = agora;
  }
  const int64_t inalterado = agora - espera.iGravacaoVistaDesde;
  const Motivo motivo = bConflito                         ? Motivo::Conflito
                        : inalterado < ESPERA_INCOMPLETO_MS ? Motivo::Incompleto
                                                            : Motivo::Falha;
  Decisao decisao;
  decisao.bMudouEstado = nova || motivo != espera.motivo;
  espera.motivo = motivo;
  espera.sDetalhe = detalhe;
  decisao.bSepara = !bConflito && inalterado >= iEsperaSepararMs_;
  return decisao;
}

std::optional<Espera> TArquivosEmEspera::Remove(const std::string& caminho) {
  const auto i = esperas_.find(caminho);
  if (i == esperas_.end()) return std::nullopt;
  Espera espera = std::move(i->second);
  esperas_.erase(i);
  return espera;
}

std::optional<int64_t> TArquivosEmEspera::MaisAntiga() const {
  std::optional<int64_t> maisAntiga;
  for (const auto& [caminho, espera] : esperas_)
    if (!maisAntiga || espera.iDesde < *maisAntiga) maisAntiga = espera.iDesde;
  return maisAntiga;
}

std::string TextoMotivo(Motivo motivo) {
  switch (motivo) {
    case Motivo::Incompleto:
      return "ainda sendo gravado";
    case Motivo::Conflito:
      return "CT-e em uso por outro usuário";
    case Motivo::Falha:
      break;
  }
  return "falha na leitura ou gravação";
}

std::string TextoEspera(size_t quantidade, int64_t iIdadeMs) {
  if (quantidade == 0) return "";
  const int64_t segundos = std::max<int64_t>(iIdadeMs, 0) / 1000;
  const std::string idade = segundos < 60     ? std::to_string(segundos) + " s"
                            : segundos < 3600 ? std::to_string(segundos / 60) + " min"
                                              : std::to_string(segundos / 3600) + " h " +
                                                    std::to_string(segundos / 60 % 60) + " min";
  if (quantidade == 1) return "1 arquivo aguardando há " + idade;
  return std::to_string(quantidade) + " arquivos aguardando, o mais antigo há " + idade;
}

}  // namespace UnArquivosEmEspera
