// The date text cut from the authority's date-time: any text gives dd.mm.yyyy hh:mm:ss pieces,
// short or empty ones past its end, never more than 19 characters.
#include <cstdint>
#include <string>

#include "ComumFuzz.h"
#include "processing/UnFuncoesCTe.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dados, size_t tamanho) {
  const std::string t = ComumFuzz::Texto(dados, tamanho);
  const std::string data = UnFuncoesCTe::TextoData(t);
  VERIFICA(data.size() >= 3 && data.size() <= 19);
  if (t.size() >= 19) {
    VERIFICA(data.size() == 19);
    VERIFICA(data.compare(0, 2, t, 8, 2) == 0 && data.compare(6, 4, t, 0, 4) == 0);
    VERIFICA(data.compare(11, 8, t, 11, 8) == 0);
  }
  return 0;
}
