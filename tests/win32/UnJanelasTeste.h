#pragma once
// What the Windows tests need to watch other windows: waiting for a window of a process,
// reading a message box and answering it, as a user would.
#include <windows.h>

#include <functional>
#include <string>

namespace UnJanelasTeste {

// Waits, handling this thread's messages, until `condicao` holds; false after `limiteMs`
// (a guard against a hung program, not a time requirement).
bool Espera(const std::function<bool()>& condicao, DWORD limiteMs = 60000);

// A top-level window of process `pid` with that class (and caption, when given).
HWND JanelaDoProcesso(DWORD pid, const wchar_t* classe, const wchar_t* titulo = nullptr);

// The text of a message box: its longest static text.
std::wstring TextoCaixaMensagem(HWND caixa);
// A message box of process `pid` once it is shown with its text: the box exists before its
// text is set, so reading it at once can find it empty.
HWND EsperaCaixaMensagem(DWORD pid, const wchar_t* titulo = nullptr);
// Answers a message box with its default button, as Enter would.
void ConfirmaCaixaMensagem(HWND caixa);

std::wstring TextoJanela(HWND janela);

}  // namespace UnJanelasTeste
