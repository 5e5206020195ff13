#include "platform/UnBiblioteca.h"

#include <windows.h>

#include "platform/win32/UnErroSistema.h"
#include "platform/win32/UnTextoLargo.h"

namespace UnBiblioteca {

namespace {

std::wstring PastaPrograma() {
  std::wstring sCaminho(MAX_PATH, L'\0');
  for (;;) {
    const DWORD iTamanho = GetModuleFileNameW(nullptr, sCaminho.data(), static_cast<DWORD>(sCaminho.size()));
    if (iTamanho == 0) return {};
    if (iTamanho < sCaminho.size()) {
      sCaminho.resize(iTamanho);
      break;
    }
    sCaminho.resize(sCaminho.size() * 2);
  }
  const size_t iBarra = sCaminho.find_last_of(L"\\/");
  return iBarra == std::wstring::npos ? std::wstring() : sCaminho.substr(0, iBarra + 1);
}

}  // namespace

void* Carrega(const std::vector<std::string>& nomes, std::string& erro) {
  erro.clear();
  // The client installed beside the ERP program wins over any other on the search path.
  const std::wstring sPasta = PastaPrograma();
  if (!sPasta.empty()) {
    for (const std::string& sNome : nomes) {
      const std::wstring sCompleto = sPasta + UnTextoLargo::Largo(sNome);
      if (HMODULE vModulo = LoadLibraryExW(sCompleto.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH))
        return reinterpret_cast<void*>(vModulo);
    }
  }
  for (const std::string& sNome : nomes) {
    if (HMODULE vModulo = LoadLibraryExW(UnTextoLargo::Largo(sNome).c_str(), nullptr, 0)) return reinterpret_cast<void*>(vModulo);
    if (!erro.empty()) erro += "; ";
    erro += sNome + ": " + UnErroSistema::DescreveErro(GetLastError(), sNome);
  }
  return nullptr;
}

void* Funcao(void* biblioteca, const char* nome) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(biblioteca), nome));
}

}  // namespace UnBiblioteca
