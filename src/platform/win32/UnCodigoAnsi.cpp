#include "platform/UnCodigoAnsi.h"

#include <windows.h>

#include <optional>

#include "platform/win32/UnTextoLargo.h"

namespace UnCodigoAnsi {

std::string DeAnsi(std::string_view texto) {
  if (texto.empty()) return {};
  const int n = MultiByteToWideChar(CP_ACP, 0, texto.data(), static_cast<int>(texto.size()), nullptr, 0);
  std::wstring largo(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, texto.data(), static_cast<int>(texto.size()), largo.data(), n);
  return UnTextoLargo::Estreito(largo);
}

namespace {

// Empty when a character has no exact equivalent; broken UTF-8 reads as U+FFFD, which has none.
std::optional<std::string> Converte(std::string_view texto) {
  if (texto.empty()) return std::string();
  const std::wstring largo = UnTextoLargo::Largo(texto);
  const UINT pagina = GetACP();
  // A UTF-8 code page holds every character, and takes neither flag.
  const DWORD flags = pagina == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
  BOOL padrao = FALSE;
  BOOL* usouPadrao = pagina == CP_UTF8 ? nullptr : &padrao;
  const int n = WideCharToMultiByte(pagina, flags, largo.data(), static_cast<int>(largo.size()),
                                    nullptr, 0, nullptr, usouPadrao);
  if (n <= 0 || padrao) return std::nullopt;
  std::string ansi(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(pagina, flags, largo.data(), static_cast<int>(largo.size()), ansi.data(), n,
                      nullptr, usouPadrao);
  if (padrao) return std::nullopt;
  return ansi;
}

}  // namespace

std::string ParaAnsi(std::string_view texto) {
  auto ansi = Converte(texto);
  if (!ansi)
    throw ESemEquivalente("Texto com caractere sem equivalente na página de código " +
                          std::to_string(GetACP()) + " da estação");
  return std::move(*ansi);
}

bool Representavel(std::string_view texto) { return Converte(texto).has_value(); }

}  // namespace UnCodigoAnsi
