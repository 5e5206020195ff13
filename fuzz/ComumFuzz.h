#pragma once
// What the fuzz targets share: the input as text, its split into pieces, and a check that
// stops the run at once when a property of the code under test does not hold.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace ComumFuzz {

inline std::string Texto(const uint8_t* dados, size_t tamanho) {
  return std::string(reinterpret_cast<const char*>(dados), tamanho);
}

// The input cut at its first `quantidade` - 1 line breaks; the last piece keeps the rest.
inline std::vector<std::string_view> Pedacos(std::string_view texto, size_t quantidade) {
  std::vector<std::string_view> pedacos;
  while (pedacos.size() + 1 < quantidade) {
    const size_t quebra = texto.find('\n');
    if (quebra == std::string_view::npos) break;
    pedacos.push_back(texto.substr(0, quebra));
    texto.remove_prefix(quebra + 1);
  }
  pedacos.push_back(texto);
  while (pedacos.size() < quantidade) pedacos.emplace_back();
  return pedacos;
}

[[noreturn]] inline void Falha(const char* condicao, const char* arquivo, int linha) {
  std::fprintf(stderr, "%s:%d: propriedade violada: %s\n", arquivo, linha, condicao);
  std::abort();
}

// A statement text built from outside values: its quotes pair up (every literal closed, every
// inner quote doubled), so no value can end a literal early.
inline bool AspasFechadas(std::string_view sql) {
  size_t aspas = 0;
  for (const char c : sql) aspas += c == '\'';
  return aspas % 2 == 0;
}

}  // namespace ComumFuzz

#define VERIFICA(condicao) \
  ((condicao) ? static_cast<void>(0) : ComumFuzz::Falha(#condicao, __FILE__, __LINE__))
