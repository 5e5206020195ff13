// Initialisation-file content read the way GetPrivateProfileStringW reads it: first matching
// section, first matching key in it, names without regard to case, trimmed values, one pair
// of enclosing quotes dropped, ";" lines as comments, values cut to the 2048-character buffer.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/UnIni.h"
#include "platform/UnMascara.h"

namespace UnIni {

namespace {

void AcrescentaUtf8(std::string& saida, uint32_t c) {
  if (c < 0x80) {
    saida += static_cast<char>(c);
  } else if (c < 0x800) {
    saida += static_cast<char>(0xC0 | (c >> 6));
    saida += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    saida += static_cast<char>(0xE0 | (c >> 12));
    saida += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    saida += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    saida += static_cast<char>(0xF0 | (c >> 18));
    saida += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    saida += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    saida += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::string DecodificaUtf16(std::string_view bytes, bool bigEndian) {
  std::string saida;
  saida.reserve(bytes.size());
  auto unidade = [&](size_t i) -> uint32_t {
    const auto a = static_cast<unsigned char>(bytes[i]);
    const auto b = static_cast<unsigned char>(bytes[i + 1]);
    return bigEndian ? (a << 8 | b) : (b << 8 | a);
  };
  const size_t fim = bytes.size() & ~size_t{1};
  for (size_t i = 0; i < fim; i += 2) {
    uint32_t c = unidade(i);
    if (c >= 0xD800 && c <= 0xDBFF && i + 2 < fim) {
      const uint32_t baixa = unidade(i + 2);
      if (baixa >= 0xDC00 && baixa <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (baixa - 0xDC00);
        i += 2;
      }
    }
    if (c >= 0xD800 && c <= 0xDFFF) c = 0xFFFD;  // unpaired surrogate
    AcrescentaUtf8(saida, c);
  }
  return saida;
}

// Length of the UTF-8 sequence starting at `i`, or 0 when it is not a valid one.
size_t TamanhoSequenciaUtf8(std::string_view t, size_t i) {
  const auto c = static_cast<unsigned char>(t[i]);
  if (c < 0x80) return 1;
  size_t tamanho;
  uint32_t valor;
  if ((c & 0xE0) == 0xC0) {
    tamanho = 2;
    valor = c & 0x1F;
  } else if ((c & 0xF0) == 0xE0) {
    tamanho = 3;
    valor = c & 0x0F;
  } else if ((c & 0xF8) == 0xF0) {
    tamanho = 4;
    valor = c & 0x07;
  } else {
    return 0;
  }
  if (i + tamanho > t.size()) return 0;
  for (size_t k = 1; k < tamanho; ++k) {
    const auto continuacao = static_cast<unsigned char>(t[i + k]);
    if ((continuacao & 0xC0) != 0x80) return 0;
    valor = valor << 6 | (continuacao & 0x3F);
  }
  static constexpr uint32_t MINIMO[] = {0, 0, 0x80, 0x800, 0x10000};
  if (valor < MINIMO[tamanho] || valor > 0x10FFFF || (valor >= 0xD800 && valor <= 0xDFFF)) return 0;
  return tamanho;
}

bool EhUtf8Valido(std::string_view t) {
  for (size_t i = 0; i < t.size();) {
    const size_t tamanho = TamanhoSequenciaUtf8(t, i);
    if (tamanho == 0) return false;
    i += tamanho;
  }
  return true;
}

// Files without a byte-order mark are in the workstation's ANSI code page (Windows-1252 on
// Brazilian workstations) unless they already are valid UTF-8.
std::string DecodificaWindows1252(std::string_view bytes) {
  static constexpr uint16_t FAIXA_80_9F[32] = {
      0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  std::string saida;
  saida.reserve(bytes.size() + bytes.size() / 4);
  for (const char b : bytes) {
    const auto c = static_cast<unsigned char>(b);
    AcrescentaUtf8(saida, (c >= 0x80 && c <= 0x9F) ? FAIXA_80_9F[c - 0x80] : c);
  }
  return saida;
}

std::string TextoUtf8(std::string_view conteudo) {
  auto comeca = [&](std::string_view marca) { return conteudo.substr(0, marca.size()) == marca; };
  if (comeca("\xEF\xBB\xBF"))
    conteudo.remove_prefix(3);
  else if (comeca("\xFF\xFE"))
    return DecodificaUtf16(conteudo.substr(2), false);
  else if (comeca("\xFE\xFF"))
    return DecodificaUtf16(conteudo.substr(2), true);
  if (EhUtf8Valido(conteudo)) return std::string(conteudo);
  return DecodificaWindows1252(conteudo);
}

bool EhBranco(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view Apara(std::string_view t) {
  while (!t.empty() && EhBranco(t.front())) t.remove_prefix(1);
  while (!t.empty() && EhBranco(t.back())) t.remove_suffix(1);
  return t;
}

bool IguaisSemCaixa(std::string_view a, std::string_view b) {
  return a.size() == b.size() && UnMascara::MaiusculasAscii(a) == UnMascara::MaiusculasAscii(b);
}

// The value as the caller's buffer receives it: enclosing quotes dropped, then at most
// TAMANHO_BUFFER - 1 UTF-16 units, never splitting a character.
std::string ValorLido(std::string_view valor) {
  if (valor.size() >= 2 && (valor.front() == '"' || valor.front() == '\'') &&
      valor.back() == valor.front()) {
    valor = valor.substr(1, valor.size() - 2);
  }
  size_t unidades = 0, i = 0;
  while (i < valor.size()) {
    const size_t tamanho = std::max<size_t>(TamanhoSequenciaUtf8(valor, i), 1);
    const size_t unidadesCaractere = tamanho == 4 ? 2 : 1;
    if (unidades + unidadesCaractere > TAMANHO_BUFFER - 1) break;
    unidades += unidadesCaractere;
    i += tamanho;
  }
  return std::string(valor.substr(0, i));
}

}  // namespace

std::string LeIniTexto(std::string_view conteudo, std::string_view secao, std::string_view chave,
                       const std::string& padrao) {
  const std::string texto = TextoUtf8(conteudo);
  const std::string_view secaoProcurada = Apara(secao);
  const std::string_view chaveProcurada = Apara(chave);
  const std::string_view resto(texto);
  bool dentroDaSecao = false;
  bool secaoEncontrada = false;
  size_t inicio = 0;
  while (inicio < resto.size()) {
    size_t fim = resto.find_first_of("\r\n", inicio);
    if (fim == std::string_view::npos) fim = resto.size();
    const std::string_view linha = Apara(resto.substr(inicio, fim - inicio));
    inicio = fim + 1;
    if (linha.empty() || linha.front() == ';') continue;
    if (linha.front() == '[') {
      const size_t fecha = linha.rfind(']');
      if (fecha != std::string_view::npos) {
        // Only the first section of that name is searched.
        if (secaoEncontrada) return padrao;
        dentroDaSecao = IguaisSemCaixa(Apara(linha.substr(1, fecha - 1)), secaoProcurada);
        secaoEncontrada = dentroDaSecao;
        continue;
      }
    }
    if (!dentroDaSecao) continue;
    const size_t igual = linha.find('=');
    if (igual == std::string_view::npos) continue;  // a key without a value reads as missing
    if (IguaisSemCaixa(Apara(linha.substr(0, igual)), chaveProcurada)) {
      return ValorLido(Apara(linha.substr(igual + 1)));
    }
  }
  return padrao;
}

}  // namespace UnIni
