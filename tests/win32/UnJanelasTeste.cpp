#include "win32/UnJanelasTeste.h"


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

namespace {

struct Busca {
  DWORD pid;
  const wchar_t* classe;
  const wchar_t* titulo;
  HWND achada = nullptr;
};

BOOL CALLBACK ComparaJanela(HWND janela, LPARAM l) {
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
}

BOOL CALLBACK GuardaMaiorTexto(HWND filho, LPARAM l) {
  wchar_t classe[64] = {};
  GetClassNameW(filho, classe, 64);
  if (_wcsicmp(classe, L"Static") == 0) {
    std::wstring texto = TextoJanela(filho);
    auto& maior = *reinterpret_cast<std::wstring*>(l);
    if (texto.size() > maior.size()) maior = texto;
  }
  return TRUE;
}

}  // namespace

HWND JanelaDoProcesso(DWORD pid, const wchar_t* classe, const wchar_t* titulo) {
  Busca busca{pid, classe, titulo};
  EnumWindows(ComparaJanela, reinterpret_cast<LPARAM>(&busca));
  return busca.achada;
}

std::wstring TextoCaixaMensagem(HWND caixa) {
  std::wstring texto;
  EnumChildWindows(caixa, GuardaMaiorTexto, reinterpret_cast<LPARAM>(&texto));
  return texto;
}

HWND EsperaCaixaMensagem(DWORD pid, const wchar_t* titulo) {
  HWND caixa = nullptr;
  const bool bMostrada = Espera([&] {
    caixa = JanelaDoProcesso(pid, L"#32770", titulo);
    return caixa && IsWindowVisible(caixa) && !TextoCaixaMensagem(caixa).empty();
  });
  return bMostrada ? caixa : nullptr;
}

void ConfirmaCaixaMensagem(HWND caixa) { PostMessageW(caixa, WM_COMMAND, IDOK, 0); }

}  // namespace UnJanelasTeste
