// The digit check that guards every value written into a statement without quotes, and the
// lot number's conversion, which must refuse what does not fit instead of wrapping.
#include <cstdint>
#include <limits>
#include <string>

#include "ComumFuzz.h"
#include "processing/UnFuncoesCTe.h"
#include "processing/UnLeituraRespostas.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dados, size_t tamanho) {
  const std::string valor = ComumFuzz::Texto(dados, tamanho);
  const bool decimal = UnFuncoesCTe::EhNumeroDecimal(valor);
  VERIFICA(decimal == (!valor.empty() && valor.find_first_not_of("0123456789") == std::string::npos));
  try {
    VERIFICA(UnFuncoesCTe::Numero(valor) == valor);
    VERIFICA(decimal);
  } catch (const UnFuncoesCTe::EValorInvalido&) {
    VERIFICA(!decimal);
  }
  try {
    const std::string sql = UnFuncoesCTe::NumeroOuNull(valor);
    VERIFICA(valor.empty() ? sql == "null" : sql == valor);
  } catch (const UnFuncoesCTe::EValorInvalido&) {
    VERIFICA(!valor.empty() && !decimal);
  }
  // The value of the digits, as far as it stays in 64 bits.
  uint64_t esperado = 0;
  bool cabe = decimal;
  for (size_t i = 0; cabe && i < valor.size(); ++i) {
    esperado = esperado * 10 + static_cast<uint64_t>(valor[i] - '0');
    cabe = esperado <= static_cast<uint64_t>(std::numeric_limits<int32_t>::max());
  }
  try {
    const int32_t lote = UnLeituraRespostas::ConverteNumeroLote(valor);
    VERIFICA(cabe && static_cast<uint64_t>(lote) == esperado);
  } catch (const UnFuncoesCTe::EValorInvalido&) {
    VERIFICA(!cabe);
  }
  const std::string zeros = UnFuncoesCTe::PreencheZeros(valor, 15);
  VERIFICA(zeros.size() == 15);
  return 0;
}
