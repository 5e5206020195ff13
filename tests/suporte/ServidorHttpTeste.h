#pragma once
// A real web server on 127.0.0.1 (a python3 process) for the download tests. Files written
// with Publica are served under their address path; see ServidorHttpTeste.py for the
// special answers (/status/<code>, /corta/<n>, /cabecalhos).
#include <sys/types.h>

#include <string>
#include <vector>

#include "suporte/PastaTemporaria.h"

class ServidorHttpTeste {
 public:
  // With `bTls` the server speaks https with a self-signed certificate made here.
  explicit ServidorHttpTeste(bool bTls = false);
  ~ServidorHttpTeste();
  ServidorHttpTeste(const ServidorHttpTeste&) = delete;
  ServidorHttpTeste& operator=(const ServidorHttpTeste&) = delete;

  // "http://127.0.0.1:<port>" (or https), no trailing slash.
  std::string Endereco() const;
  // Serves `conteudo` at `caminho` (an address path as sent, "%20" for a blank).
  void Publica(const std::string& caminho, const std::string& conteudo) const;
  // The request lines received so far ("GET /x HTTP/1.1").
  std::vector<std::string> Pedidos() const;

 private:
  PastaTemporaria pasta_;
  bool bTls_;
  pid_t pid_ = -1;
  int iEntrada_ = -1;
  int iPorta_ = 0;
};
