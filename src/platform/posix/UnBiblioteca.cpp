#include "platform/UnBiblioteca.h"

#include <dlfcn.h>

namespace UnBiblioteca {

void* Carrega(const std::vector<std::string>& nomes, std::string& erro) {
  erro.clear();
  for (const std::string& sNome : nomes) {
    if (void* vBiblioteca = dlopen(sNome.c_str(), RTLD_NOW | RTLD_LOCAL)) return vBiblioteca;
    if (!erro.empty()) erro += "; ";
    const char* sMotivo = dlerror();
    erro += sMotivo ? sMotivo : sNome;
  }
  return nullptr;
}

void* CarregaDoSistema(const std::string& nome) { return dlopen(nome.c_str(), RTLD_NOW | RTLD_LOCAL); }

void* Funcao(void* biblioteca, const char* nome) { return dlsym(biblioteca, nome); }

}  // namespace UnBiblioteca
