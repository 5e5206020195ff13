#include "dialogs/console/UnMensagemConfirmarGenerica.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <string>
#include <thread>

namespace UnMensagemConfirmarGenerica {

void MostraAviso(const std::string& texto, bool confirmacao, bool fechaAutomatico) {
  std::cout << "Aviso do Sistema: " << texto << std::endl;
  if (confirmacao && isatty(STDIN_FILENO)) {
    std::cout << "Estou ciente destas informações. [Enter] " << std::flush;
    std::string linha;
    std::getline(std::cin, linha);
  }
  if (fechaAutomatico) std::this_thread::sleep_for(std::chrono::seconds(5));
}

}  // namespace UnMensagemConfirmarGenerica
