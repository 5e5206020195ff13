#include "platform/win32/UnCom.h"

#include <objbase.h>

#include <stdexcept>

namespace UnCom {

namespace {

class ComDaThread {
 public:
  ComDaThread() {
    const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    // RPC_E_CHANGED_MODE: the thread already runs COM in another model, which serves too.
    bIniciado_ = SUCCEEDED(hr);
    if (FAILED(hr) && hr != RPC_E_CHANGED_MODE)
      throw std::runtime_error("Não foi possível iniciar o COM");
  }
  ~ComDaThread() {
    if (bIniciado_) CoUninitialize();
  }

 private:
  bool bIniciado_ = false;
};

}  // namespace

void GaranteCom() { thread_local ComDaThread com; }

}  // namespace UnCom
