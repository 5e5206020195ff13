#include "platform/UnAssinatura.h"

#include <cstdint>

#include "platform/UnArquivos.h"

namespace UnAssinatura {

std::string Verifica(const std::string& chavePem, const std::string& arquivo,
                     const std::string& assinatura) {
  if (assinatura.size() < TAMANHO_MINIMO_DER || assinatura.size() > TAMANHO_MAXIMO_DER)
    return "assinatura de " + std::to_string(assinatura.size()) +
           " bytes: não é uma assinatura ECDSA P-256";
  const auto conteudo = UnArquivos::LeArquivo(arquivo, SIZE_MAX);
  if (!conteudo) return "arquivo ilegível: " + arquivo;
  return VerificaConteudo(chavePem, *conteudo, assinatura);
}

}  // namespace UnAssinatura
