#include "suporte/PastaTemporaria.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

PastaTemporaria::PastaTemporaria() {
  std::string modelo = (fs::temp_directory_path() / "monitor-teste-XXXXXX").string();
  if (!mkdtemp(modelo.data())) throw std::runtime_error("mkdtemp failed");
  caminho_ = modelo;
  // The Firebird server runs as its own user and must reach databases made here.
  fs::permissions(caminho_, fs::perms::all);
}

PastaTemporaria::~PastaTemporaria() {
  std::error_code erro;
  fs::remove_all(caminho_, erro);
}

void EscreveArquivo(const std::string& caminho, const std::string& conteudo) {
  fs::create_directories(fs::path(caminho).parent_path());
  std::ofstream saida(caminho, std::ios::binary | std::ios::trunc);
  saida << conteudo;
  if (!saida) throw std::runtime_error("cannot write " + caminho);
}

std::string LeTexto(const std::string& caminho) {
  std::ifstream entrada(caminho, std::ios::binary);
  std::stringstream s;
  s << entrada.rdbuf();
  return s.str();
}

bool Existe(const std::string& caminho) { return fs::exists(caminho); }
