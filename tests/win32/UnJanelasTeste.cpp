#include "win32/UnJanelasTeste.h"

#include <vector>

namespace UnJanelasTeste {

bool Espera(const std::function<bool()>& condicao, DWORD limiteMs) {
  const ULONGLONG fim = GetTickCount64() + limiteMs;
  for (;;) {
    if (condicao()) return true;
    if (GetTickCount64() >= fim) return false;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    Sleep(50);
  }
}

std::wstring TextoJanela(HWND janela) {
  wchar_t texto[4096] = {};
  // WM_GETTEXT reaches controls of other processes, which GetWindowTextW does not.
  SendMessageTimeoutW(janela, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(texto), SMTO_ABORTIFHUNG,
                      5000, nullptr);
  return texto;
}

HWND JanelaDoProcesso(DWORD pid, const wchar_t* classe, const wchar_t* titulo) {
  struct Busca {
    DWORD pid;
    const wchar_t* classe;
    const wchar_t* titulo;
    HWND achada = nullptr;
  } busca{pid, classe, titulo};
  EnumWindows(
      [](HWND janela, LPARAM l) -> BOOL {
        auto& b = *reinterpret_cast<Busca*>(l);
        DWORD dono = 0;
        GetWindowThreadProcessId(janela, &dono);
        if (dono != b.pid) return TRUE;
        wchar_t classe[256] = {};
        GetClassNameW(janela, classe, 256);
        if (std::wstring(classe) != b.classe) return TRUE;
        if (b.titulo && TextoJanela(janela) != b.titulo) return TRUE;
        b.achada = janela;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&busca));
  return busca.achada;
}

std::wstring TextoCaixaMensagem(HWND caixa) {
  std::wstring texto;
  EnumChildWindows(
      caixa,
      [](HWND filho, LPARAM l) -> BOOL {
        wchar_t classe[64] = {};
        GetClassNameW(filho, classe, 64);
        if (_wcsicmp(classe, L"Static") == 0) {
          std::wstring t = TextoJanela(filho);
          auto& maior = *reinterpret_cast<std::wstring*>(l);
          if (t.size() > maior.size()) maior = t;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&texto));
  return texto;
}

void ConfirmaCaixaMensagem(HWND caixa) { PostMessageW(caixa, WM_COMMAND, IDOK, 0); }

}  // namespace UnJanelasTeste
