// Initialisation-file content as GetPrivateProfileStringW reads it: first line the section,
// second the key, the rest the file (any bytes: ANSI, UTF-8, UTF-16 with a byte-order mark).
#include <cstdint>
#include <string>

#include "ComumFuzz.h"
#include "platform/UnIni.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dados, size_t tamanho) {
  const std::string texto = ComumFuzz::Texto(dados, tamanho);
  const auto pedacos = ComumFuzz::Pedacos(texto, 3);
  const std::string padrao = "\x01padrao";
  const std::string valor = UnIni::LeIniTexto(pedacos[2], pedacos[0], pedacos[1], padrao);
  if (valor != padrao) {
    // The caller's buffer holds 2047 UTF-16 units, at most 4 bytes of UTF-8 each.
    VERIFICA(valor.size() <= 4 * (UnIni::TAMANHO_BUFFER - 1));
    VERIFICA(valor.find_first_of("\r\n") == std::string::npos);
  }
  return 0;
}
