#include "processing/UnReconciliacao.h"

#include "processing/UnLeituraRespostas.h"

namespace UnReconciliacao {

Acao Decide(bool bEvento, const std::optional<Linha>& linha, int64_t iIdadeMs,
            bool bRespostaEmRetorno) {
  if (!linha) return Acao::SemLinha;
  if (bEvento ? linha->bCancelada : linha->bAutorizada) return Acao::Resolvido;
  if (iIdadeMs < IDADE_MINIMA_MS || bRespostaEmRetorno) return Acao::Aguarda;
  return Acao::Le;
}

Registro OQueGravar(const UnLeituraAutorizados::DocumentoLido& documento) {
  if (documento.bEvento)
    return documento.sTipoEvento == UnLeituraRespostas::EVENTO_CANCELAMENTO &&
                   UnLeituraRespostas::EhEventoRegistrado(documento.sStatus) &&
                   !documento.sProtocolo.empty()
               ? Registro::Cancelamento
               : Registro::Nenhum;
  return documento.sStatus == "100" && !documento.sProtocolo.empty() ? Registro::Autorizacao
                                                                     : Registro::Nenhum;
}

bool Imprime(const std::string& dhRecbto, int64_t agora) {
  const auto autorizadaEm = UnLeituraAutorizados::MilissegundosUtc(dhRecbto);
  return autorizadaEm && agora - *autorizadaEm < IMPRESSAO_ATE_MS;
}

bool TConciliacao::Devida(const std::string& empresa, int64_t agora) {
  const auto i = rodadas_.find(empresa);
  if (i != rodadas_.end() && agora - i->second < INTERVALO_MS) return false;
  rodadas_[empresa] = agora;
  return true;
}

bool TConciliacao::AvisaDefeito(const std::string& caminho, std::optional<int64_t> gravacao) {
  if (DefeitoInalterado(caminho, gravacao)) return false;
  defeitos_[caminho] = gravacao;
  return true;
}

bool TConciliacao::DefeitoInalterado(const std::string& caminho,
                                     std::optional<int64_t> gravacao) const {
  const auto i = defeitos_.find(caminho);
  return i != defeitos_.end() && i->second == gravacao;
}

size_t TConciliacao::Duvidas() const {
  size_t total = 0;
  for (const auto& [empresa, quantidade] : duvidas_) total += quantidade;
  return total;
}

}  // namespace UnReconciliacao
