#include "platform/UnIni.h"

#include <windows.h>

#include "platform/win32/UnTextoLargo.h"

namespace UnIni {

std::string LeIni(const std::string& arquivo, const std::string& secao, const std::string& chave,
                  const std::string& padrao) {
  wchar_t buffer[TAMANHO_BUFFER];
  const DWORD iLido = GetPrivateProfileStringW(
      UnTextoLargo::Largo(secao).c_str(), UnTextoLargo::Largo(chave).c_str(),
      UnTextoLargo::Largo(padrao).c_str(), buffer, TAMANHO_BUFFER,
      UnTextoLargo::Largo(arquivo).c_str());
  return UnTextoLargo::Estreito(std::wstring_view(buffer, iLido));
}

}  // namespace UnIni
