#include "platform/UnObservaPastas.h"

#include <fcntl.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <set>

#include "platform/posix/UnObservaPastasPosix.h"

namespace UnObservaPastas {

namespace {

// A file created or moved in, and every write until it is closed.
constexpr uint32_t EVENTOS = IN_CREATE | IN_MOVED_TO | IN_CLOSE_WRITE | IN_MODIFY | IN_ONLYDIR;

std::string SemSeparadorFinal(const std::string& pasta) {
  return pasta.size() > 1 && pasta.back() == '/' ? pasta.substr(0, pasta.size() - 1) : pasta;
}

}  // namespace

struct ObservaPastas::Sistema {
  int fd = -1;
  std::map<int, std::string> pastas;  // watch descriptor -> folder as given
  std::set<int> alteradas;
  bool bTransbordou = false;  // the kernel dropped events: every folder counts as changed
};

ObservaPastas::ObservaPastas() : sistema_(std::make_unique<Sistema>()) {
  sistema_->fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
}

ObservaPastas::~ObservaPastas() {
  if (sistema_->fd >= 0) close(sistema_->fd);
}

void ObservaPastas::DefinePastas(const std::vector<std::string>& pastas) {
  Sistema& s = *sistema_;
  if (s.fd < 0) return;
  const std::set<std::string> novas(pastas.begin(), pastas.end());
  for (auto it = s.pastas.begin(); it != s.pastas.end();) {
    if (novas.count(it->second)) {
      ++it;
      continue;
    }
    inotify_rm_watch(s.fd, it->first);
    s.alteradas.erase(it->first);
    it = s.pastas.erase(it);
  }
  for (const std::string& pasta : novas) {
    const bool jaObservada = std::any_of(s.pastas.begin(), s.pastas.end(),
                                         [&](const auto& p) { return p.second == pasta; });
    if (jaObservada) continue;
    // Two names of one folder share a watch: the first name given keeps it.
    const int wd = inotify_add_watch(s.fd, SemSeparadorFinal(pasta).c_str(), EVENTOS);
    if (wd >= 0) s.pastas.emplace(wd, pasta);
  }
}

std::vector<std::string> ObservaPastas::PastasObservadas() const {
  std::vector<std::string> pastas;
  for (const auto& [wd, pasta] : sistema_->pastas) pastas.push_back(pasta);
  return pastas;
}

std::vector<std::string> ObservaPastas::LePastasAlteradas() {
  Sistema& s = *sistema_;
  if (s.fd < 0) return {};
  alignas(inotify_event) char bloco[16384];
  for (;;) {
    const ssize_t lido = read(s.fd, bloco, sizeof bloco);
    if (lido < 0 && errno == EINTR) continue;
    if (lido <= 0) break;
    for (ssize_t i = 0; i < lido;) {
      const auto* evento = reinterpret_cast<const inotify_event*>(bloco + i);
      if (evento->mask & IN_Q_OVERFLOW) {
        s.bTransbordou = true;
      } else if (evento->mask & IN_IGNORED) {
        // The folder is gone: the next set given watches it again if it is back.
        s.pastas.erase(evento->wd);
        s.alteradas.erase(evento->wd);
      } else if (s.pastas.count(evento->wd)) {
        s.alteradas.insert(evento->wd);
      }
      i += static_cast<ssize_t>(sizeof(inotify_event) + evento->len);
    }
  }
  std::vector<std::string> pastas;
  for (const auto& [wd, pasta] : s.pastas)
    if (s.bTransbordou || s.alteradas.count(wd)) pastas.push_back(pasta);
  s.alteradas.clear();
  s.bTransbordou = false;
  return pastas;
}

int Descritor(const ObservaPastas& observador) { return observador.Nativo().fd; }

}  // namespace UnObservaPastas
