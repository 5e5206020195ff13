// Stands in for a program the monitor starts (the printing program, the updater): each start
// adds a line to the file named like the program with ".txt" added, in UTF-8: the working
// folder, a tab, and the command line as the program received it.
#include <windows.h>

#include <string>

#include "platform/win32/UnTextoLargo.h"

using UnTextoLargo::Estreito;

int wmain() {
  wchar_t programa[MAX_PATH];
  const DWORD iPrograma = GetModuleFileNameW(nullptr, programa, MAX_PATH);
  wchar_t pasta[MAX_PATH];
  const DWORD iPasta = GetCurrentDirectoryW(MAX_PATH, pasta);
  const std::string linha =
      Estreito(std::wstring(pasta, iPasta)) + "\t" + Estreito(GetCommandLineW()) + "\n";
  // Appended whole: two starts close together each leave their own line.
  const HANDLE registro =
      CreateFileW((std::wstring(programa, iPrograma) + L".txt").c_str(), FILE_APPEND_DATA,
                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                  nullptr);
  if (registro == INVALID_HANDLE_VALUE) return 1;
  DWORD iEscrito = 0;
  const BOOL bGravado =
      WriteFile(registro, linha.data(), static_cast<DWORD>(linha.size()), &iEscrito, nullptr);
  CloseHandle(registro);
  return bGravado && iEscrito == linha.size() ? 0 : 1;
}
