#include "processing/UnRegistroImpressao.h"

#include <limits>
#include <utility>

#include "platform/UnArquivos.h"
#include "processing/UnFuncoesCTe.h"

namespace UnRegistroImpressao {

namespace {

constexpr const char* SUFIXO_TEMPORARIO = ".tmp";
constexpr size_t TAMANHO_MAXIMO = 64u << 20;
constexpr int64_t MS_POR_DIA = 24LL * 60 * 60 * 1000;
constexpr char PENDENTE = 'P';
constexpr char IMPRESSA = 'I';
constexpr char DESISTIDA = 'D';  // its document never came: not printed, not tried again
constexpr const char* ESTADOS = "PID";

}  // namespace

bool TRegistroImpressao::Carrega(const std::string& pastaEmpresa) {
  arquivo_ = pastaEmpresa + NOME_ARQUIVO;
  entradas_.clear();
  // What a run ended while writing left behind; the record itself is still the last whole one.
  UnArquivos::ApagaArquivo(Temporario());
  const auto conteudo = UnArquivos::LeArquivo(arquivo_, TAMANHO_MAXIMO);
  bLegivel_ = conteudo || !UnArquivos::ExisteArquivo(arquivo_);
  if (!conteudo) return bLegivel_;
  const int64_t esquecerAntes = Relogio() - DIAS_GUARDADOS * MS_POR_DIA;
  for (std::string linha : UnFuncoesCTe::Separa(*conteudo, '\n')) {
    if (!linha.empty() && linha.back() == '\r') linha.pop_back();
    // state | key | protocol | id_cte | when it was marked; a damaged line is passed over.
    const std::vector<std::string> campos = UnFuncoesCTe::Separa(linha, '|');
    if (campos.size() != 5 || campos[0].size() != 1 ||
        std::string(ESTADOS).find(campos[0][0]) == std::string::npos)
      continue;
    int64_t id = 0, marcadaEm = 0;
    if (!UnFuncoesCTe::LeInteiro(campos[3], std::numeric_limits<int32_t>::max(), id) ||
        !UnFuncoesCTe::LeInteiro(campos[4], std::numeric_limits<int64_t>::max(), marcadaEm))
      continue;
    Entrada entrada{campos[0][0], static_cast<int32_t>(id), marcadaEm};
    if (entrada.cEstado != PENDENTE && entrada.iMarcadaEm < esquecerAntes) continue;
    entradas_[{campos[1], campos[2]}] = entrada;
  }
  for (const auto& [chave, entrada] : porGravar_) entradas_[chave] = entrada;
  if (!porGravar_.empty() && Grava()) porGravar_.clear();
  return true;
}

bool TRegistroImpressao::Conhecida(const std::string& chave, const std::string& protocolo) const {
  return entradas_.count({chave, protocolo}) > 0 || porGravar_.count({chave, protocolo}) > 0;
}

bool TRegistroImpressao::Marca(const Chave& chave, char estado, int32_t id) {
  const auto existente = entradas_.find(chave);
  Entrada entrada = existente == entradas_.end() ? Entrada{} : existente->second;
  entrada.cEstado = estado;
  if (id) entrada.iID_CTe = id;
  entrada.iMarcadaEm = Relogio();
  if (bLegivel_) {
    entradas_[chave] = entrada;
    if (Grava()) {
      porGravar_.erase(chave);
      return true;
    }
  }
  // What happened stays known to this run; only a pending mark may be lost, since its answer
  // then stays in Retorno to bring it again.
  if (estado != PENDENTE) porGravar_[chave] = entrada;
  return false;
}

bool TRegistroImpressao::MarcaPendente(const std::string& chave, const std::string& protocolo,
                                       int32_t id) {
  return Marca({chave, protocolo}, PENDENTE, id);
}

bool TRegistroImpressao::MarcaImpressa(const std::string& chave, const std::string& protocolo) {
  return Marca({chave, protocolo}, IMPRESSA, 0);
}

bool TRegistroImpressao::MarcaDesistida(const std::string& chave, const std::string& protocolo) {
  return Marca({chave, protocolo}, DESISTIDA, 0);
}

std::vector<AutorizacaoPendente> TRegistroImpressao::Pendentes() const {
  std::vector<AutorizacaoPendente> pendentes;
  for (const auto& [chave, entrada] : entradas_)
    if (entrada.cEstado == PENDENTE && !porGravar_.count(chave))
      pendentes.push_back({chave.first, chave.second, entrada.iID_CTe});
  return pendentes;
}

bool TRegistroImpressao::PendenteHaMais(const std::string& chave, const std::string& protocolo,
                                        int dias) const {
  const auto i = entradas_.find({chave, protocolo});
  return i != entradas_.end() && i->second.cEstado == PENDENTE &&
         Relogio() - i->second.iMarcadaEm > dias * MS_POR_DIA;
}

std::string TRegistroImpressao::Temporario() const { return arquivo_ + SUFIXO_TEMPORARIO; }

bool TRegistroImpressao::Grava() const {
  if (arquivo_.empty()) return false;
  std::string texto;
  for (const auto& [chave, entrada] : entradas_)
    texto += std::string(1, entrada.cEstado) + "|" + chave.first + "|" + chave.second + "|" +
             std::to_string(entrada.iID_CTe) + "|" + std::to_string(entrada.iMarcadaEm) + "\n";
  return UnArquivos::GravaPorTemporario(Temporario(), arquivo_, texto, true);
}

}  // namespace UnRegistroImpressao
