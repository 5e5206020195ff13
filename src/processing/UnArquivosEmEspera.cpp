#include "processing/UnArquivosEmEspera.h"

#include <algorithm>

namespace UnArquivosEmEspera {

namespace {

bool EhRecusa(Motivo motivo) {
  return motivo == Motivo::RecusaBanco || motivo == Motivo::FalhaLeitura;
}

}  // namespace

TArquivosEmEspera::Decisao TArquivosEmEspera::RegistraFalha(const std::string& caminho,
                                                             Motivo motivo,
                                                             const std::string& detalhe,
                                                             std::optional<int64_t> ultimaGravacao,
                                                             int64_t agora, int64_t hora) {
  const auto [i, nova] = esperas_.try_emplace(caminho);
  Espera& espera = i->second;
  if (nova) {
    espera.iDesde = agora;
    espera.iDesdeHora = hora;
  }
  if (nova || ultimaGravacao != espera.iGravacaoVista) {
    espera.iGravacaoVista = ultimaGravacao;
    espera.iGravacaoVistaDesde = agora;
  }
  const int64_t inalterado = agora - espera.iGravacaoVistaDesde;
  if (motivo != Motivo::Conflito && motivo != Motivo::Grande && inalterado < ESPERA_INCOMPLETO_MS)
    motivo = Motivo::Incompleto;
  Decisao decisao;
  decisao.bMudouEstado = nova || motivo != espera.motivo;
  espera.motivo = motivo;
  espera.sDetalhe = detalhe;
  decisao.bSepara = motivo == Motivo::Grande ||
                    (motivo == Motivo::Quebrado && inalterado >= iEsperaSepararMs_);
  return decisao;
}

bool TArquivosEmEspera::MarcaSeparacaoFalhou(const std::string& caminho) {
  const auto i = esperas_.find(caminho);
  if (i == esperas_.end() || i->second.bSeparacaoFalhou) return false;
  return i->second.bSeparacaoFalhou = true;
}

bool TArquivosEmEspera::MarcaLongaAvisada(const std::string& caminho) {
  const auto i = esperas_.find(caminho);
  if (i == esperas_.end() || i->second.bLongaAvisada) return false;
  return i->second.bLongaAvisada = true;
}

std::optional<Espera> TArquivosEmEspera::Remove(const std::string& caminho) {
  const auto i = esperas_.find(caminho);
  if (i == esperas_.end()) return std::nullopt;
  Espera espera = std::move(i->second);
  esperas_.erase(i);
  return espera;
}

bool TArquivosEmEspera::RegistraMovimento(const std::string& caminho, int codigo,
                                          std::optional<int64_t> ultimaGravacao, int64_t agora) {
  return movimentos_.try_emplace(caminho, Movimento_{codigo, ultimaGravacao, agora, false}).second;
}

std::optional<int> TArquivosEmEspera::Movimento(const std::string& caminho,
                                                std::optional<int64_t> ultimaGravacao) {
  const auto i = movimentos_.find(caminho);
  if (i == movimentos_.end()) return std::nullopt;
  if (i->second.iGravacao != ultimaGravacao) {
    movimentos_.erase(i);
    return std::nullopt;
  }
  return i->second.iCodigo;
}

bool TArquivosEmEspera::MovimentoLongo(const std::string& caminho, int64_t agora) {
  const auto i = movimentos_.find(caminho);
  if (i == movimentos_.end() || i->second.bLongoAvisado ||
      agora - i->second.iDesde < ESPERA_LONGA_MS)
    return false;
  return i->second.bLongoAvisado = true;
}

size_t TArquivosEmEspera::Quantidade() const {
  size_t quantidade = esperas_.size();
  for (const auto& [caminho, movimento] : movimentos_) quantidade += !esperas_.count(caminho);
  return quantidade;
}

std::optional<int64_t> TArquivosEmEspera::MaisAntiga() const {
  std::optional<int64_t> maisAntiga;
  for (const auto& [caminho, espera] : esperas_)
    if (!maisAntiga || espera.iDesde < *maisAntiga) maisAntiga = espera.iDesde;
  for (const auto& [caminho, movimento] : movimentos_)
    if (!maisAntiga || movimento.iDesde < *maisAntiga) maisAntiga = movimento.iDesde;
  return maisAntiga;
}

bool TArquivosEmEspera::Compartilhado(const std::string& caminho) const {
  const auto i = esperas_.find(caminho);
  if (i == esperas_.end() || !EhRecusa(i->second.motivo)) return false;
  for (const auto& [outro, espera] : esperas_)
    if (outro != caminho && espera.motivo == i->second.motivo &&
        espera.sDetalhe == i->second.sDetalhe)
      return true;
  return false;
}

std::vector<MotivoComum> TArquivosEmEspera::AtualizaComuns() {
  std::map<std::pair<Motivo, std::string>, size_t> contagem;
  for (const auto& [caminho, espera] : esperas_)
    if (EhRecusa(espera.motivo)) ++contagem[{espera.motivo, espera.sDetalhe}];
  std::vector<MotivoComum> mudancas;
  for (auto i = comunsDitos_.begin(); i != comunsDitos_.end();) {
    const auto achado = contagem.find(*i);
    if (achado != contagem.end() && achado->second >= 2) {
      ++i;
      continue;
    }
    mudancas.push_back({i->first, i->second, achado == contagem.end() ? 0 : achado->second, false});
    i = comunsDitos_.erase(i);
  }
  for (const auto& [chave, quantidade] : contagem)
    if (quantidade >= 2 && comunsDitos_.insert(chave).second)
      mudancas.push_back({chave.first, chave.second, quantidade, true});
  return mudancas;
}

std::string TArquivosEmEspera::TextoComumAtual() const {
  if (comunsDitos_.empty()) return "";
  const auto& [motivo, detalhe] = *comunsDitos_.begin();
  MotivoComum comum{motivo, detalhe, 0, true};
  for (const auto& [caminho, espera] : esperas_)
    comum.iQuantidade += espera.motivo == motivo && espera.sDetalhe == detalhe;
  return TextoMotivoComum(comum);
}

bool GravacaoRecente(int64_t gravacao, int64_t hora) {
  return hora - gravacao < TArquivosEmEspera::ESPERA_INCOMPLETO_MS;
}

std::string TextoMotivo(Motivo motivo) {
  switch (motivo) {
    case Motivo::Incompleto:
      return "ainda sendo gravado";
    case Motivo::Conflito:
      return "CT-e em uso por outro usuário";
    case Motivo::RecusaBanco:
      return "recusado pelo banco de dados";
    case Motivo::FalhaLeitura:
      return "não pôde ser lido";
    case Motivo::Grande:
      return "grande demais para uma resposta";
    case Motivo::Quebrado:
      break;
  }
  return "XML mal formado";
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

std::string TextoMotivoComum(const MotivoComum& comum) {
  const bool bBanco = comum.motivo == Motivo::RecusaBanco;
  if (!comum.bInicio)
    return (bBanco ? "O banco de dados não recusa mais as respostas: "
                   : "As respostas voltaram a ser lidas: ") + comum.sDetalhe;
  return (bBanco ? "O banco de dados recusa as respostas (" : "As respostas não puderam ser lidas (") +
         std::to_string(comum.iQuantidade) + " arquivos aguardando): " + comum.sDetalhe;
}

}  // namespace UnArquivosEmEspera
