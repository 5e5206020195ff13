#include "platform/UnBiblioteca.h"

#include <windows.h>

namespace UnBiblioteca {

namespace {

std::wstring ParaLargo(const std::string& texto) {
  if (texto.empty()) return {};
  const int iTamanho = MultiByteToWideChar(CP_UTF8, 0, texto.data(), static_cast<int>(texto.size()), nullptr, 0);
  std::wstring sLargo(static_cast<size_t>(iTamanho), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, texto.data(), static_cast<int>(texto.size()), sLargo.data(), iTamanho);
  return sLargo;
}

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

std::string DescreveErro(DWORD codigo) {
  char* sTexto = nullptr;
  const DWORD iTamanho = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, codigo,
      0, reinterpret_cast<char*>(&sTexto), 0, nullptr);
  std::string sMotivo = iTamanho ? std::string(sTexto, iTamanho) : "error " + std::to_string(codigo);
  if (sTexto) LocalFree(sTexto);
  while (!sMotivo.empty() && (sMotivo.back() == '\n' || sMotivo.back() == '\r' || sMotivo.back() == ' '))
    sMotivo.pop_back();
  return sMotivo;
}

}  // namespace

void* Carrega(const std::vector<std::string>& nomes, std::string& erro) {
  erro.clear();
  // The client installed beside the ERP program wins over any other on the search path.
  const std::wstring sPasta = PastaPrograma();
  if (!sPasta.empty()) {
    for (const std::string& sNome : nomes) {
      const std::wstring sCompleto = sPasta + ParaLargo(sNome);
      if (HMODULE vModulo = LoadLibraryExW(sCompleto.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH))
        return reinterpret_cast<void*>(vModulo);
    }
  }
  for (const std::string& sNome : nomes) {
    if (HMODULE vModulo = LoadLibraryExW(ParaLargo(sNome).c_str(), nullptr, 0)) return reinterpret_cast<void*>(vModulo);
    if (!erro.empty()) erro += "; ";
    erro += sNome + ": " + DescreveErro(GetLastError());
  }
  return nullptr;
}

void* Funcao(void* biblioteca, const char* nome) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(biblioteca), nome));
}

}  // namespace UnBiblioteca
