#include "platform/UnObservaPastas.h"

#include <algorithm>
#include <map>
#include <memory>
#include <set>

#include "platform/win32/UnObservaPastasWin32.h"
#include "platform/win32/UnTextoLargo.h"

namespace UnObservaPastas {

namespace {

// A file created or renamed in, and its writes.
constexpr DWORD FILTRO = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE |
                         FILE_NOTIFY_CHANGE_SIZE;

// One folder's outstanding read of its changes.
class Observacao {
 public:
  explicit Observacao(const std::string& pasta) {
    diretorio_ = CreateFileW(UnTextoLargo::Largo(pasta).c_str(), FILE_LIST_DIRECTORY,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED,
                             nullptr);
    sobreposicao_.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    bAtiva_ = diretorio_ != INVALID_HANDLE_VALUE && sobreposicao_.hEvent && Pede();
  }
  ~Observacao() {
    if (bPendente_) {
      // The buffer belongs to the system until the cancelled read has completed.
      CancelIo(diretorio_);
      DWORD bytes = 0;
      GetOverlappedResult(diretorio_, &sobreposicao_, &bytes, TRUE);
    }
    if (diretorio_ != INVALID_HANDLE_VALUE) CloseHandle(diretorio_);
    if (sobreposicao_.hEvent) CloseHandle(sobreposicao_.hEvent);
  }
  Observacao(const Observacao&) = delete;
  Observacao& operator=(const Observacao&) = delete;

  bool Ativa() const { return bAtiva_; }
  HANDLE Evento() const { return sobreposicao_.hEvent; }

  // True when a file came in or was written since the last look; a folder whose read fails
  // stops being watched.
  bool LeAlteracao() {
    if (!bAtiva_ || WaitForSingleObject(sobreposicao_.hEvent, 0) != WAIT_OBJECT_0) return false;
    DWORD bytes = 0;
    const BOOL ok = GetOverlappedResult(diretorio_, &sobreposicao_, &bytes, FALSE);
    bPendente_ = false;
    ResetEvent(sobreposicao_.hEvent);
    // No bytes: more changes than the buffer held, so something surely came in.
    bool alterada = !ok || bytes == 0;
    for (DWORD i = 0; ok && bytes > 0;) {
      const auto* registro = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(
          reinterpret_cast<const char*>(buffer_) + i);
      // Files leaving the folder (the monitor's own moves) are no news.
      if (registro->Action == FILE_ACTION_ADDED || registro->Action == FILE_ACTION_MODIFIED ||
          registro->Action == FILE_ACTION_RENAMED_NEW_NAME)
        alterada = true;
      if (registro->NextEntryOffset == 0) break;
      i += registro->NextEntryOffset;
    }
    bAtiva_ = Pede();
    return alterada;
  }

 private:
  bool Pede() {
    bPendente_ = ReadDirectoryChangesW(diretorio_, buffer_, sizeof buffer_, FALSE, FILTRO,
                                       nullptr, &sobreposicao_, nullptr) != 0;
    return bPendente_;
  }

  HANDLE diretorio_ = INVALID_HANDLE_VALUE;
  OVERLAPPED sobreposicao_{};
  bool bAtiva_ = false;
  bool bPendente_ = false;
  DWORD buffer_[4096];  // records are DWORD-aligned
};

}  // namespace

struct ObservaPastas::Sistema {
  std::map<std::string, std::unique_ptr<Observacao>> pastas;
};

ObservaPastas::ObservaPastas() : sistema_(std::make_unique<Sistema>()) {}

ObservaPastas::~ObservaPastas() = default;

void ObservaPastas::DefinePastas(const std::vector<std::string>& pastas) {
  auto& observadas = sistema_->pastas;
  const std::set<std::string> novas(pastas.begin(), pastas.end());
  for (auto it = observadas.begin(); it != observadas.end();)
    it = novas.count(it->first) ? std::next(it) : observadas.erase(it);
  for (const std::string& pasta : pastas) {
    if (observadas.size() >= LIMITE_PASTAS) break;
    if (observadas.count(pasta)) continue;
    auto observacao = std::make_unique<Observacao>(pasta);
    if (observacao->Ativa()) observadas.emplace(pasta, std::move(observacao));
  }
}

std::vector<std::string> ObservaPastas::PastasObservadas() const {
  std::vector<std::string> pastas;
  for (const auto& [pasta, observacao] : sistema_->pastas) pastas.push_back(pasta);
  return pastas;
}

std::vector<std::string> ObservaPastas::LePastasAlteradas() {
  std::vector<std::string> alteradas;
  auto& observadas = sistema_->pastas;
  for (auto it = observadas.begin(); it != observadas.end();) {
    if (it->second->LeAlteracao()) alteradas.push_back(it->first);
    it = it->second->Ativa() ? std::next(it) : observadas.erase(it);
  }
  return alteradas;
}

std::vector<HANDLE> Eventos(const ObservaPastas& observador) {
  std::vector<HANDLE> eventos;
  for (const auto& [pasta, observacao] : observador.Nativo().pastas)
    eventos.push_back(observacao->Evento());
  return eventos;
}

}  // namespace UnObservaPastas
