#include "maintenance/UnPastaAtualizacao.h"

#include <vector>

#include "platform/UnArquivos.h"
#include "shell/UnMonitor.h"

namespace UnPastaAtualizacao {

using UnArquivos::SEPARADOR;

std::string RetornaPastaAtualizacao(const std::string& iniServidor) {
  // A separator in the last position does not count.
  std::vector<size_t> separadores;
  for (size_t i = 0; i + 1 < iniServidor.size(); ++i)
    if (iniServidor[i] == SEPARADOR) separadores.push_back(i);
  if (separadores.size() >= 2)
    return iniServidor.substr(0, separadores[separadores.size() - 2] + 1) + "Update";
  // The ini file lies in a root folder (inside it) or in a relative one (beside it).
  if (separadores.empty()) return "Update";
  const size_t p = separadores.front();
  const bool bRaiz = p == 0 || (p == 2 && iniServidor[1] == ':');
  return bRaiz ? iniServidor.substr(0, p + 1) + "Update" : "Update";
}

std::string FormaParametro(const std::string& pasta) {
  std::string sParametro;
  for (char c : pasta) {
    if (c == ' ')
      sParametro += "\u00A7";
    else
      sParametro += c;
  }
  return sParametro;
}

}  // namespace UnPastaAtualizacao

void TMonitorCTe::DefinePastaAtualizacao(const std::string& nomeBanco,
                                         const std::string& iniServidor) {
  (void)nomeBanco;  // the update folder follows the server ini file, not the database
  const size_t iBarra = sCaminhoExecutavel.rfind(UnArquivos::SEPARADOR);
  Atualizacao.NomeExecutavel =
      iBarra == std::string::npos ? sCaminhoExecutavel : sCaminhoExecutavel.substr(iBarra + 1);
  Atualizacao.PastaExecutavel =
      iBarra == std::string::npos ? std::string() : sCaminhoExecutavel.substr(0, iBarra);
  Atualizacao.PastaAtualizacao = UnPastaAtualizacao::RetornaPastaAtualizacao(iniServidor);
  Atualizacao.PastaExecutavelParametro =
      UnPastaAtualizacao::FormaParametro(Atualizacao.PastaExecutavel);
  Atualizacao.PastaAtualizacaoParametro =
      UnPastaAtualizacao::FormaParametro(Atualizacao.PastaAtualizacao);
}
