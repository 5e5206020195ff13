#include "platform/UnTrava.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace UnTrava {

Trava::~Trava() { Libera(); }

// flock belongs to the open file description: a second Obtem on the same file, even from
// this process, meets the lock. Close-on-exec keeps started programs from inheriting it.
Trava::Resultado Trava::Obtem(const std::string& arquivo) {
  Libera();
  const int fd = open(arquivo.c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0666);
  if (fd < 0) return Resultado::Impossivel;
  int resultado;
  do {
    resultado = flock(fd, LOCK_EX | LOCK_NB);
  } while (resultado != 0 && errno == EINTR);
  if (resultado != 0) {
    const bool ocupada = errno == EWOULDBLOCK;
    close(fd);
    return ocupada ? Resultado::Ocupada : Resultado::Impossivel;
  }
  descritor_ = fd;
  return Resultado::Obtida;
}

void Trava::Libera() {
  if (descritor_ < 0) return;
  close(static_cast<int>(descritor_));
  descritor_ = -1;
}

}  // namespace UnTrava
