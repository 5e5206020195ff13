#pragma once
// Whether the tests run under Wine, for the few cases where Wine's components differ from
// Windows' own.
#include <windows.h>

inline bool SobWine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}
