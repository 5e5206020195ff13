#include "platform/UnMascara.h"

#include <algorithm>
#include <utility>

namespace UnMascara {

namespace {

char MaiusculaAscii(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace

// Greedy two-pointer match: on a mismatch after a "*" only the last "*" is retried one
// character further, so hostile masks and names cost at most length(name) * length(mask).
bool CombinaMascara(std::string_view nome, std::string_view mascara) {
  size_t n = 0, m = 0;
  size_t estrela = std::string_view::npos;  // position in the mask just after the last "*"
  size_t retomada = 0;                      // where in the name that "*" resumes
  while (n < nome.size()) {
    if (m < mascara.size() && mascara[m] == '*') {
      estrela = ++m;
      retomada = n;
    } else if (m < mascara.size() &&
               (mascara[m] == '?' || MaiusculaAscii(mascara[m]) == MaiusculaAscii(nome[n]))) {
      ++m;
      ++n;
    } else if (estrela != std::string_view::npos) {
      m = estrela;
      n = ++retomada;
    } else {
      return false;
    }
  }
  while (m < mascara.size() && mascara[m] == '*') ++m;
  return m == mascara.size();
}

std::string MaiusculasAscii(std::string_view texto) {
  std::string resultado(texto);
  std::transform(resultado.begin(), resultado.end(), resultado.begin(), MaiusculaAscii);
  return resultado;
}

bool MenorSemCaixa(std::string_view a, std::string_view b) {
  const size_t tamanho = std::min(a.size(), b.size());
  for (size_t i = 0; i < tamanho; ++i) {
    const auto ca = static_cast<unsigned char>(MaiusculaAscii(a[i]));
    const auto cb = static_cast<unsigned char>(MaiusculaAscii(b[i]));
    if (ca != cb) return ca < cb;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  // Names differing only in case still need a fixed order.
  return a < b;
}

void OrdenaSemCaixa(std::vector<std::string>& nomes) {
  // Each name is turned to upper case once instead of at every comparison: the list is sorted
  // again after every file a processor moves, and answer names share long prefixes (the
  // access keys). Comparing the upper-case text, then the name itself, is MenorSemCaixa.
  std::vector<std::pair<std::string, std::string>> chaves;
  chaves.reserve(nomes.size());
  for (std::string& nome : nomes) {
    std::string chave = MaiusculasAscii(nome);
    chaves.emplace_back(std::move(chave), std::move(nome));
  }
  std::sort(chaves.begin(), chaves.end());
  for (size_t i = 0; i < nomes.size(); ++i) nomes[i] = std::move(chaves[i].second);
}

}  // namespace UnMascara
