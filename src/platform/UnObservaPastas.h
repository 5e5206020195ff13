#pragma once
// Notifications of changes in folders: an answer the transmitter leaves is seen as it arrives
// instead of at the next tick. A folder the system cannot watch (missing, a share that
// delivers no notifications, one more than a wait can take) is simply left to the tick.
#include <memory>
#include <string>
#include <vector>

namespace UnObservaPastas {

class ObservaPastas {
 public:
  ObservaPastas();
  ~ObservaPastas();
  ObservaPastas(const ObservaPastas&) = delete;
  ObservaPastas& operator=(const ObservaPastas&) = delete;

  // From now on watches exactly these folders: new ones are added, the others given up.
  void DefinePastas(const std::vector<std::string>& pastas);
  // The folders of the set that are really watched, as they were given.
  std::vector<std::string> PastasObservadas() const;
  // The folders where a file was created, moved in or written since the last call, each
  // once, as they were given; never waits.
  std::vector<std::string> LePastasAlteradas();

  // The operating system's side; its waitable is reached through the platform's own header.
  struct Sistema;
  Sistema& Nativo() const { return *sistema_; }

 private:
  std::unique_ptr<Sistema> sistema_;
};

}  // namespace UnObservaPastas
