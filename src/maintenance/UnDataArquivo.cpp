#include "maintenance/UnDataArquivo.h"

#include "platform/UnArquivos.h"
#include "platform/UnLocalidade.h"

namespace UnDataArquivo {

std::string RetornaDataArquivo(const std::string& caminho) {
  const auto gravacao = UnArquivos::DataUltimaGravacao(caminho);
  if (!gravacao) return "";
  UnLocalidade::DataHora data = UnLocalidade::HoraLocal(*gravacao);
  data.iSegundo -= data.iSegundo % 2;
  data.iMilissegundo = 0;
  return UnLocalidade::FormataDataHoraPadrao(data);
}

}  // namespace UnDataArquivo
