#include "maintenance/UnBaixaArquivo.h"

#include "platform/UnHttp.h"
#include "platform/UnMascara.h"

namespace UnBaixaArquivo {

namespace {

// The same address over https, when it is http; empty otherwise.
std::string EnderecoSeguro(const std::string& endereco) {
  constexpr size_t TAMANHO_ESQUEMA = 7;  // "http://"
  if (endereco.size() < TAMANHO_ESQUEMA ||
      UnMascara::MaiusculasAscii(endereco.substr(0, TAMANHO_ESQUEMA)) != "HTTP://")
    return "";
  return "https://" + endereco.substr(TAMANHO_ESQUEMA);
}

}  // namespace

bool BaixaArquivo(const std::string& endereco, const std::string& destino) {
  const std::string seguro = EnderecoSeguro(endereco);
  if (!seguro.empty() && UnHttp::Baixa(seguro, destino)) return true;
  return UnHttp::Baixa(endereco, destino);
}

}  // namespace UnBaixaArquivo
