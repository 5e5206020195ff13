#include "platform/UnIni.h"

#include "platform/UnArquivos.h"

namespace UnIni {

namespace {
// Far above any real initialisation file; keeps a wrong path (a device, a huge file) harmless.
constexpr size_t TAMANHO_MAXIMO_ARQUIVO = 64u << 20;
}  // namespace

std::string LeIni(const std::string& arquivo, const std::string& secao, const std::string& chave,
                  const std::string& padrao) {
  if (!UnArquivos::ExisteArquivo(arquivo)) return padrao;
  const auto conteudo = UnArquivos::LeArquivo(arquivo, TAMANHO_MAXIMO_ARQUIVO);
  if (!conteudo) return padrao;
  return LeIniTexto(*conteudo, secao, chave, padrao);
}

}  // namespace UnIni
