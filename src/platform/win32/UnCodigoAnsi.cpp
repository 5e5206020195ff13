#include "platform/UnCodigoAnsi.h"

#include <windows.h>

#include "platform/win32/UnTextoLargo.h"

namespace UnCodigoAnsi {

std::string DeAnsi(std::string_view texto) {
  if (texto.empty()) return {};
  const int n = MultiByteToWideChar(CP_ACP, 0, texto.data(), static_cast<int>(texto.size()), nullptr, 0);
  std::wstring largo(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, texto.data(), static_cast<int>(texto.size()), largo.data(), n);
  return UnTextoLargo::Estreito(largo);
}

std::string ParaAnsi(std::string_view texto) {
  const std::wstring largo = UnTextoLargo::Largo(texto);
  if (largo.empty()) return {};
  const int n = WideCharToMultiByte(CP_ACP, 0, largo.data(), static_cast<int>(largo.size()), nullptr, 0,
                                    nullptr, nullptr);
  std::string ansi(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, largo.data(), static_cast<int>(largo.size()), ansi.data(), n, nullptr,
                      nullptr);
  return ansi;
}

}  // namespace UnCodigoAnsi
