#include "platform/UnTrava.h"

#include <windows.h>

#include "platform/win32/UnTextoLargo.h"

namespace UnTrava {

Trava::~Trava() { Libera(); }

// An exclusive open (no sharing) is the lock: a second open of the same file, even from this
// process, meets ERROR_SHARING_VIOLATION. The handle is not inherited by started programs.
Trava::Resultado Trava::Obtem(const std::string& arquivo) {
  Libera();
  const HANDLE h = CreateFileW(UnTextoLargo::Largo(arquivo).c_str(), GENERIC_READ | GENERIC_WRITE,
                               0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE)
    return GetLastError() == ERROR_SHARING_VIOLATION ? Resultado::Ocupada : Resultado::Impossivel;
  descritor_ = static_cast<long long>(reinterpret_cast<intptr_t>(h));
  return Resultado::Obtida;
}

void Trava::Libera() {
  if (descritor_ == -1) return;
  CloseHandle(reinterpret_cast<HANDLE>(static_cast<intptr_t>(descritor_)));
  descritor_ = -1;
}

}  // namespace UnTrava
