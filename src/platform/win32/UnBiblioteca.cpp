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

// System32 as the process sees it (SysWOW64 for a 32-bit process on 64-bit Windows), where
// older ERP installations put gds32.dll.
std::wstring PastaSistema() {
  wchar_t pasta[MAX_PATH];
  const UINT tamanho = GetSystemDirectoryW(pasta, MAX_PATH);
  return tamanho == 0 || tamanho >= MAX_PATH ? std::wstring() : std::wstring(pasta, tamanho) + L"\\";
}

}  // namespace

void* Carrega(const std::vector<std::string>& nomes, std::string& erro) {
  erro.clear();
  // The client installed beside the ERP program wins over the system's. A bare name is never
  // handed to the loader: it would look in the current folder and along PATH, where anyone may
  // have put a library of that name.
  const std::wstring pastas[] = {PastaPrograma(), PastaSistema()};
  std::vector<DWORD> codigos(nomes.size(), ERROR_MOD_NOT_FOUND);
  for (const std::wstring& sPasta : pastas) {
    for (size_t i = 0; i < nomes.size(); ++i) {
      const bool bCaminho = nomes[i].find_first_of("\\/") != std::string::npos;
      if (bCaminho ? &sPasta != &pastas[0] : sPasta.empty()) continue;  // a path: once, as it is
      const std::wstring sCompleto = (bCaminho ? L"" : sPasta) + UnTextoLargo::Largo(nomes[i]);
      if (HMODULE vModulo = LoadLibraryExW(sCompleto.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH))
        return reinterpret_cast<void*>(vModulo);
      // What says most of why: a library that is there but cannot load, over one not found.
      if (codigos[i] == ERROR_MOD_NOT_FOUND) codigos[i] = GetLastError();
    }
  }
  for (size_t i = 0; i < nomes.size(); ++i) {
    if (!erro.empty()) erro += "; ";
    erro += nomes[i] + ": " + UnErroSistema::DescreveErro(codigos[i], nomes[i]);
  }
  return nullptr;
}

void* CarregaDoSistema(const std::string& nome) {
  const std::wstring pasta = PastaSistema();
  if (pasta.empty()) return nullptr;
  return reinterpret_cast<void*>(
      LoadLibraryExW((pasta + UnTextoLargo::Largo(nome)).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
}

void* Funcao(void* biblioteca, const char* nome) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(biblioteca), nome));
}

}  // namespace UnBiblioteca
