#include "platform/UnProcessos.h"

#include <windows.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include "platform/win32/UnTextoLargo.h"

using UnTextoLargo::Estreito;
using UnTextoLargo::Largo;

namespace UnProcessos {

std::optional<std::vector<std::string>> ListaProcessos() {
  const HANDLE foto = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (foto == INVALID_HANDLE_VALUE) return std::nullopt;
  std::vector<std::string> nomes;
  PROCESSENTRY32W entrada;
  entrada.dwSize = sizeof entrada;
  BOOL ok = Process32FirstW(foto, &entrada);
  // A snapshot that cannot even give its first entry was not read.
  const bool bLida = ok || GetLastError() == ERROR_NO_MORE_FILES;
  for (; ok; ok = Process32NextW(foto, &entrada)) {
    // szExeFile may fill all 260 characters without a terminating null.
    const size_t tamanho = wcsnlen(entrada.szExeFile, MAX_PATH);
    nomes.push_back(Estreito(std::wstring_view(entrada.szExeFile, tamanho)));
  }
  CloseHandle(foto);
  if (!bLida) return std::nullopt;
  return nomes;
}

std::string CaminhoExecutavel() {
  std::wstring caminho(MAX_PATH, L'\0');
  for (;;) {
    const DWORD iTamanho =
        GetModuleFileNameW(nullptr, caminho.data(), static_cast<DWORD>(caminho.size()));
    if (iTamanho == 0) return {};
    if (iTamanho < caminho.size()) return Estreito(std::wstring_view(caminho.data(), iTamanho));
    caminho.resize(caminho.size() * 2);  // cut: a longer path than the buffer
  }
}

namespace {

// SEE_MASK_FLAG_NO_UI: a start that fails is the caller's to tell, never a box of the system's
// raised inside a pass.
bool Inicia(const wchar_t* verbo, const std::wstring& arquivo, const std::wstring& parametros,
            const std::wstring& pasta, int mostra) {
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_FLAG_NO_UI;
  info.lpVerb = verbo;
  info.lpFile = arquivo.c_str();
  info.lpParameters = parametros.empty() ? nullptr : parametros.c_str();
  info.lpDirectory = pasta.empty() ? nullptr : pasta.c_str();
  info.nShow = mostra;
  return ShellExecuteExW(&info) != FALSE;
}

// The system's programs by their full path, never by a name the search path could answer.
std::wstring PastaWindows() {
  wchar_t pasta[MAX_PATH];
  const UINT tamanho = GetWindowsDirectoryW(pasta, MAX_PATH);
  return tamanho == 0 || tamanho >= MAX_PATH ? std::wstring() : std::wstring(pasta, tamanho);
}

bool MostraNaPasta(const std::string& caminho) {
  const std::wstring windows = PastaWindows();
  if (windows.empty() || caminho.empty() || caminho.find('"') != std::string::npos) return false;
  return Inicia(L"open", windows + L"\\explorer.exe", L"/select,\"" + Largo(caminho) + L"\"", L"",
                SW_SHOWNORMAL);
}

}  // namespace

bool Executa(const PedidoExecucao& pedido) {
  if (pedido.sArquivo == EXPLORADOR) return MostraNaPasta(pedido.sParametros);
  const std::wstring verbo = Largo(pedido.sVerbo);
  return Inicia(verbo.empty() ? nullptr : verbo.c_str(), Largo(pedido.sArquivo),
                Largo(pedido.sParametros), Largo(pedido.sPastaTrabalho),
                pedido.bOculto ? SW_HIDE : SW_SHOWNORMAL);
}

}  // namespace UnProcessos
