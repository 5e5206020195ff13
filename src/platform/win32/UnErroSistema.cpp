#include "platform/win32/UnErroSistema.h"

#include <windows.h>

#include "platform/win32/UnTextoLargo.h"

namespace UnErroSistema {

std::string DescreveErro(unsigned long codigo, const std::string& objeto) {
  wchar_t* sTexto = nullptr;
  const DWORD iTamanho = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, codigo, 0, reinterpret_cast<wchar_t*>(&sTexto), 0, nullptr);
  std::string sMotivo = iTamanho ? UnTextoLargo::Estreito(std::wstring_view(sTexto, iTamanho))
                                 : "erro " + std::to_string(codigo);
  if (sTexto) LocalFree(sTexto);
  while (!sMotivo.empty() &&
         (sMotivo.back() == '\n' || sMotivo.back() == '\r' || sMotivo.back() == ' '))
    sMotivo.pop_back();
  const size_t iInsercao = sMotivo.find("%1");
  if (iInsercao != std::string::npos) sMotivo.replace(iInsercao, 2, objeto);
  return sMotivo;
}

}  // namespace UnErroSistema
