#include "maintenance/UnBaixaArquivo.h"

#include "platform/UnHttp.h"

namespace UnBaixaArquivo {

bool BaixaArquivo(const std::string& endereco, const std::string& destino) {
  return UnHttp::Baixa(endereco, destino);
}

}  // namespace UnBaixaArquivo
