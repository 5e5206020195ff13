#pragma once
// A folder of its own for one test, removed with everything in it afterwards.
#include <string>

class PastaTemporaria {
 public:
  PastaTemporaria();
  ~PastaTemporaria();
  PastaTemporaria(const PastaTemporaria&) = delete;
  PastaTemporaria& operator=(const PastaTemporaria&) = delete;
  const std::string& Caminho() const { return caminho_; }
  // Caminho() + "/" + relativo.
  std::string operator/(const std::string& relativo) const { return caminho_ + "/" + relativo; }

 private:
  std::string caminho_;
};

// Writes a file, creating the folders above it.
void EscreveArquivo(const std::string& caminho, const std::string& conteudo);
std::string LeTexto(const std::string& caminho);
bool Existe(const std::string& caminho);
