#include "dialogs/win32/UnControles.h"

namespace UnControles {

namespace {

constexpr wchar_t CLASSE_CONTEINER[] = L"TPanelMonitor";

LRESULT CALLBACK ProcedimentoConteiner(HWND janela, UINT mensagem, WPARAM w, LPARAM l) {
  switch (mensagem) {
    case WM_COMMAND:
    case WM_NOTIFY:
      return SendMessageW(GetParent(janela), mensagem, w, l);
    default:
      return DefWindowProcW(janela, mensagem, w, l);
  }
}

constexpr wchar_t CLASSE_LINHA[] = L"TBevel";

LRESULT CALLBACK ProcedimentoLinha(HWND janela, UINT mensagem, WPARAM w, LPARAM l) {
  if (mensagem != WM_PAINT) return DefWindowProcW(janela, mensagem, w, l);
  PAINTSTRUCT pintura;
  HDC dc = BeginPaint(janela, &pintura);
  RECT r;
  GetClientRect(janela, &r);
  DrawEdge(dc, &r, EDGE_ETCHED, BF_TOP);
  EndPaint(janela, &pintura);
  return 0;
}

void RegistraConteiner() {
  static const bool registrada = (RegistraClasse(CLASSE_CONTEINER, ProcedimentoConteiner), true);
  (void)registrada;
}

void RegistraLinha() {
  static const bool registrada = (RegistraClasse(CLASSE_LINHA, ProcedimentoLinha), true);
  (void)registrada;
}

}  // namespace

HWND CriaJanelaDialogo(const wchar_t* classe, const wchar_t* titulo, DWORD estilo,
                       DWORD estiloEstendido, int x, int y, SIZE externo, HWND dono,
                       void* objeto, WNDPROC procedimento) {
  WNDCLASSEXW existente{};
  existente.cbSize = sizeof existente;
  if (!GetClassInfoExW(GetModuleHandleW(nullptr), classe, &existente))
    RegistraClasse(classe, DefWindowProcW);
  HWND janela = CreateWindowExW(estiloEstendido, classe, titulo, estilo, x, y, externo.cx,
                                externo.cy, dono, nullptr, GetModuleHandleW(nullptr), nullptr);
  SetWindowLongPtrW(janela, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(objeto));
  SetWindowLongPtrW(janela, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedimento));
  return janela;
}

void RegistraClasse(const wchar_t* nome, WNDPROC procedimento) {
  WNDCLASSEXW c{};
  c.cbSize = sizeof c;
  c.lpfnWndProc = procedimento;
  c.hInstance = GetModuleHandleW(nullptr);
  c.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  c.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  c.lpszClassName = nome;
  RegisterClassExW(&c);
}


HFONT CriaFonte(const wchar_t* nome, int iAltura, bool bNegrito) {
  return CreateFontW(iAltura, 0, 0, 0, bNegrito ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                     DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                     DEFAULT_PITCH | FF_DONTCARE, nome);
}

int LarguraTexto(const std::wstring& texto, HFONT fonte) {
  HDC dc = GetDC(nullptr);
  const HGDIOBJ anterior = SelectObject(dc, fonte);
  SIZE tamanho{};
  GetTextExtentPoint32W(dc, texto.c_str(), static_cast<int>(texto.size()), &tamanho);
  SelectObject(dc, anterior);
  ReleaseDC(nullptr, dc);
  return tamanho.cx;
}

HWND CriaControle(HWND pai, const wchar_t* classe, const std::wstring& texto, DWORD estilo, int x,
                  int y, int largura, int altura, int id, HFONT fonte) {
  HWND controle = CreateWindowExW(0, classe, texto.c_str(), WS_CHILD | WS_VISIBLE | estilo, x, y,
                                  largura, altura, pai,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                  GetModuleHandleW(nullptr), nullptr);
  if (controle && fonte) SendMessageW(controle, WM_SETFONT, reinterpret_cast<WPARAM>(fonte), FALSE);
  return controle;
}

HICON CarregaImagem(const wchar_t* nome) {
  return static_cast<HICON>(
      LoadImageW(GetModuleHandleW(nullptr), nome, IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
}

HWND CriaConteiner(HWND pai, int x, int y, int largura, int altura, int id) {
  RegistraConteiner();
  return CreateWindowExW(WS_EX_CONTROLPARENT, CLASSE_CONTEINER, L"",
                         WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, x, y, largura, altura, pai,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                         GetModuleHandleW(nullptr), nullptr);
}

HWND CriaLinha(HWND pai, int x, int y, int largura, int altura, int id) {
  RegistraLinha();
  return CreateWindowExW(0, CLASSE_LINHA, L"", WS_CHILD | WS_VISIBLE, x, y, largura, altura, pai,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                         GetModuleHandleW(nullptr), nullptr);
}

SIZE TamanhoExterno(DWORD estilo, DWORD estiloEstendido, int largura, int altura) {
  RECT r{0, 0, largura, altura};
  AdjustWindowRectEx(&r, estilo, FALSE, estiloEstendido);
  return {r.right - r.left, r.bottom - r.top};
}

std::wstring TextoDe(HWND janela) {
  std::wstring texto(static_cast<size_t>(GetWindowTextLengthW(janela)) + 1, L'\0');
  texto.resize(static_cast<size_t>(GetWindowTextW(janela, texto.data(), static_cast<int>(texto.size()))));
  return texto;
}

}  // namespace UnControles
