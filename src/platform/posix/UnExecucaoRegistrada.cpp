#include "platform/UnExecucaoRegistrada.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace UnExecucaoRegistrada {

bool ExecutaRenomeando(const std::function<bool()>& inicia, const std::string& temporario,
                       const std::string& definitivo) {
  // A fork cut short by the end of this process creates no child, so neither happens.
  const pid_t filho = fork();
  if (filho < 0) return false;
  if (filho == 0) {
    std::rename(temporario.c_str(), definitivo.c_str());
    _exit(inicia() ? 0 : 1);
  }
  int estado = 0;
  while (waitpid(filho, &estado, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(estado) && WEXITSTATUS(estado) == 0;
}

}  // namespace UnExecucaoRegistrada
