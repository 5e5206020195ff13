#include "platform/win32/UnTextoLargo.h"

#include <windows.h>

namespace UnTextoLargo {

std::wstring Largo(std::string_view texto) {
  if (texto.empty()) return {};
  const int iTamanho =
      MultiByteToWideChar(CP_UTF8, 0, texto.data(), static_cast<int>(texto.size()), nullptr, 0);
  std::wstring sLargo(static_cast<size_t>(iTamanho), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, texto.data(), static_cast<int>(texto.size()), sLargo.data(),
                      iTamanho);
  return sLargo;
}

std::string Estreito(std::wstring_view texto) {
  if (texto.empty()) return {};
  const int iTamanho = WideCharToMultiByte(CP_UTF8, 0, texto.data(), static_cast<int>(texto.size()),
                                           nullptr, 0, nullptr, nullptr);
  std::string sEstreito(static_cast<size_t>(iTamanho), '\0');
  WideCharToMultiByte(CP_UTF8, 0, texto.data(), static_cast<int>(texto.size()), sEstreito.data(),
                      iTamanho, nullptr, nullptr);
  return sEstreito;
}

}  // namespace UnTextoLargo
