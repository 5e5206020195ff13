// The content test of files whose name does not say CT-e: the first bytes of any file.
#include <cstdint>
#include <string>

#include "ComumFuzz.h"
#include "processing/UnFuncoesCTe.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dados, size_t tamanho) {
  const std::string inicio = ComumFuzz::Texto(dados, tamanho);
  if (UnFuncoesCTe::ConteudoEhCTe(inicio))
    VERIFICA(inicio.find(UnFuncoesCTe::NAMESPACE_CTE) != std::string::npos);
  return 0;
}
