#pragma once
// Shared libraries loaded at run time.
#include <string>
#include <vector>

namespace UnBiblioteca {

// Tries each name in turn (on Windows the program's folder first, then the system's folder,
// never the current folder nor PATH).
// Returns nullptr when none loads; `erro` then says why.
void* Carrega(const std::vector<std::string>& nomes, std::string& erro);
// A library of the operating system, from the system's own folder only (Windows); the
// loader's search elsewhere.
void* CarregaDoSistema(const std::string& nome);
void* Funcao(void* biblioteca, const char* nome);

// Fills a function pointer of a table with the library's function of that name.
template <typename F>
bool Liga(void* biblioteca, const char* nome, F& funcao) {
  funcao = reinterpret_cast<F>(Funcao(biblioteca, nome));
  return funcao != nullptr;
}

}  // namespace UnBiblioteca
