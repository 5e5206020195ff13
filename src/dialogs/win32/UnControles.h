#pragma once
// Building blocks of the fixed-layout windows: fonts, child controls, the pictures of the
// resources, and the plain container that stands for a tab page or a panel.
#include <windows.h>

#include <string>

namespace UnControles {

// A font by its height in pixels as the design gives it: negative for the character height,
// positive for the cell height (character plus internal leading).
HFONT CriaFonte(const wchar_t* nome, int iAltura, bool bNegrito = false);
// The width in pixels of a line of text in that font.
int LarguraTexto(const std::wstring& texto, HFONT fonte);
// A child control at a fixed place; the font is given to it at once.
HWND CriaControle(HWND pai, const wchar_t* classe, const std::wstring& texto, DWORD estilo, int x,
                  int y, int largura, int altura, int id, HFONT fonte);
// A 16 x 16 picture of the program's resources; null when it is missing.
HICON CarregaImagem(const wchar_t* nome);
// A container painted in the button face that hands its controls' commands to its parent.
HWND CriaConteiner(HWND pai, int x, int y, int largura, int altura, int id);
// A window class of the dialogs' look: arrow cursor, button-face background.
void RegistraClasse(const wchar_t* nome, WNDPROC procedimento);
// A dialog's own window of class `classe` (registered on first use), `externo` in size at (x, y),
// owned by `dono`; its messages go to `procedimento`, with `objeto` in its user data.
HWND CriaJanelaDialogo(const wchar_t* classe, const wchar_t* titulo, DWORD estilo,
                       DWORD estiloEstendido, int x, int y, SIZE externo, HWND dono,
                       void* objeto, WNDPROC procedimento);
// A bevel drawn as an etched line along the top of its rectangle, at its exact size.
HWND CriaLinha(HWND pai, int x, int y, int largura, int altura, int id);
// The outer size of a window whose client area must be `largura` x `altura`.
SIZE TamanhoExterno(DWORD estilo, DWORD estiloEstendido, int largura, int altura);
std::wstring TextoDe(HWND janela);

}  // namespace UnControles
