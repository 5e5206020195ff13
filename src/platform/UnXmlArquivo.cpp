#include "platform/UnArquivos.h"
#include "platform/UnXml.h"

namespace UnXml {

std::string LeArquivoXml(const std::string& caminho) {
  const auto tamanho = UnArquivos::Tamanho(caminho);
  if (tamanho && *tamanho > TAMANHO_MAXIMO_ARQUIVO)
    throw EXmlGrande("Arquivo de " + std::to_string(*tamanho >> 20) +
                     " MiB, maior que qualquer resposta (limite " +
                     std::to_string(TAMANHO_MAXIMO_ARQUIVO >> 20) + " MiB): não foi lido");
  // One byte more than the limit tells a file that grew after its size was taken.
  auto conteudo = UnArquivos::LeArquivo(caminho, TAMANHO_MAXIMO_ARQUIVO + 1);
  if (!conteudo) throw EXmlErro("Não foi possível ler o arquivo XML " + caminho);
  if (conteudo->size() > TAMANHO_MAXIMO_ARQUIVO)
    throw EXmlGrande("Arquivo maior que qualquer resposta (limite " +
                     std::to_string(TAMANHO_MAXIMO_ARQUIVO >> 20) + " MiB): não foi lido");
  return std::move(*conteudo);
}

}  // namespace UnXml
