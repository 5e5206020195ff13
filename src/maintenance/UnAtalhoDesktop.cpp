#include "maintenance/UnAtalhoDesktop.h"

#include "platform/UnAreaTrabalho.h"
#include "platform/UnArquivos.h"
#include "shell/UnMonitor.h"

namespace UnAtalhoDesktop {

namespace {

// The name without its extension: from the last "." of the file-name part on.
std::string RemoveExtensao(const std::string& nome) {
  const size_t iPonto = nome.rfind('.');
  const size_t iBarra = nome.rfind(UnArquivos::SEPARADOR);
  if (iPonto == std::string::npos || (iBarra != std::string::npos && iPonto < iBarra)) return nome;
  return nome.substr(0, iPonto);
}

}  // namespace

std::string RetornaPastaDesktop() { return UnAreaTrabalho::PastaDesktop(); }

std::string CriaAtalhoDesktop(const TValoresAtualizacao& atualizacao,
                              const std::string& caminhoExecutavel) {
  const std::string sPasta = RetornaPastaDesktop();
  if (sPasta.empty()) return {};  // better no shortcut than one in the working folder
  const std::string& sNome = atualizacao.NomeExecutavel;
  const std::string sDescricao = sNome.size() > 4 ? sNome.substr(0, sNome.size() - 4) : "";
  return UnAreaTrabalho::CriaAtalho(sPasta + "Novo " + RemoveExtensao(sDescricao),
                                    caminhoExecutavel, sDescricao);
}

}  // namespace UnAtalhoDesktop
