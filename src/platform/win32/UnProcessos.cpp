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

bool Executa(const PedidoExecucao& pedido) {
  const std::wstring verbo = Largo(pedido.sVerbo);
  const std::wstring arquivo = Largo(pedido.sArquivo);
  const std::wstring parametros = Largo(pedido.sParametros);
  const std::wstring pasta = Largo(pedido.sPastaTrabalho);
  const HINSTANCE resultado = ShellExecuteW(
      nullptr, verbo.empty() ? nullptr : verbo.c_str(), arquivo.c_str(),
      parametros.empty() ? nullptr : parametros.c_str(), pasta.empty() ? nullptr : pasta.c_str(),
      pedido.bOculto ? SW_HIDE : SW_SHOWNORMAL);
  return reinterpret_cast<INT_PTR>(resultado) > 32;
}

}  // namespace UnProcessos
