// File-mask matching: first line the mask, the rest the name. Checked against a plain
// dynamic-programming matcher and against properties every mask has.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ComumFuzz.h"
#include "platform/UnMascara.h"

namespace {

bool CombinaReferencia(std::string_view nome, std::string_view mascara) {
  const std::string n = UnMascara::MaiusculasAscii(nome);
  const std::string m = UnMascara::MaiusculasAscii(mascara);
  // combina[j]: the name read so far matches the first j characters of the mask.
  std::vector<char> combina(m.size() + 1, 0), proximo(m.size() + 1, 0);
  combina[0] = 1;
  for (size_t j = 1; j <= m.size() && m[j - 1] == '*'; ++j) combina[j] = 1;
  for (const char c : n) {
    proximo.assign(m.size() + 1, 0);
    for (size_t j = 1; j <= m.size(); ++j) {
      if (m[j - 1] == '*') proximo[j] = proximo[j - 1] || combina[j] || combina[j - 1];
      else if (m[j - 1] == '?' || m[j - 1] == c) proximo[j] = combina[j - 1];
    }
    combina.swap(proximo);
  }
  return combina[m.size()] != 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dados, size_t tamanho) {
  const std::string texto = ComumFuzz::Texto(dados, tamanho);
  const auto pedacos = ComumFuzz::Pedacos(texto, 2);
  const std::string_view mascara = pedacos[0], nome = pedacos[1];
  const bool combina = UnMascara::CombinaMascara(nome, mascara);
  VERIFICA(combina == CombinaReferencia(nome, mascara));
  VERIFICA(UnMascara::CombinaMascara(nome, "*"));
  VERIFICA(UnMascara::CombinaMascara(nome, nome));
  VERIFICA(UnMascara::CombinaMascara(UnMascara::MaiusculasAscii(nome), mascara) == combina);
  const bool menor = UnMascara::MenorSemCaixa(nome, mascara);
  VERIFICA(!(menor && UnMascara::MenorSemCaixa(mascara, nome)));
  return 0;
}
