#include "shell/UnObservadorRetorno.h"

#include <algorithm>

#include "shell/UnAjustesCiclo.h"

namespace UnObservadorRetorno {

void TObservadorRetorno::DefineEmpresas(const std::vector<TEmpresaObservada>& empresas) {
  std::vector<std::string> pastas;
  if (UnAjustesCiclo::ObservacaoLigada())
    for (const TEmpresaObservada& empresa : empresas) pastas.push_back(empresa.sPastaRetorno);
  observador_.DefinePastas(pastas);
}

void TObservadorRetorno::LeAlteracoes() {
  const std::vector<std::string> pastas = observador_.LePastasAlteradas();
  if (pastas.empty()) return;
  const auto agora = Relogio::now();
  if (alteradas_.empty()) primeira_ = agora;
  ultima_ = agora;
  alteradas_.insert(pastas.begin(), pastas.end());
}

Relogio::time_point TObservadorRetorno::Prazo() const {
  return std::min(ultima_ + ASSENTO, primeira_ + ASSENTO_MAXIMO);
}

int TObservadorRetorno::MsAteAssentar() const {
  if (alteradas_.empty()) return -1;
  const auto falta = std::chrono::ceil<std::chrono::milliseconds>(Prazo() - Relogio::now());
  return static_cast<int>(std::max<int64_t>(falta.count(), 0));
}

std::vector<std::string> TObservadorRetorno::RetiraAssentadas() {
  if (alteradas_.empty() || Relogio::now() < Prazo()) return {};
  std::vector<std::string> pastas(alteradas_.begin(), alteradas_.end());
  alteradas_.clear();
  return pastas;
}

}  // namespace UnObservadorRetorno
