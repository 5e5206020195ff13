#pragma once
// The key pairs the test build made of its own (the maker's stand-in and another), and their
// signatures, made by the project's signing script (the openssl command line).
#include <cstdlib>
#include <string>

#include "suporte/PastaTemporaria.h"

namespace ChavesTeste {

// The folder of a key pair: "fabricante" (compiled into the programs) or "outra".
inline std::string Pasta(const std::string& par) {
#ifdef _WIN32
  std::string caminho = std::string("Z:") + MONITOR_CHAVES_TESTES + "/" + par;
  for (char& c : caminho)
    if (c == '/') c = '\\';
  return caminho;
#else
  return std::string(MONITOR_CHAVES_TESTES) + "/" + par;
#endif
}

inline std::string Publica(const std::string& par) { return LeTexto(Pasta(par) + "/publica.pem"); }

#ifndef _WIN32
// Writes `arquivo`.sig with the pair's private key; returns the signature's bytes.
inline std::string Assina(const std::string& arquivo, const std::string& par = "fabricante") {
  const std::string comando = "bash '" MONITOR_RAIZ_FONTES "/scripts/assina-atualizador.sh' assina '" +
                              Pasta(par) + "/privada.pem' '" + arquivo + "'";
  if (std::system(comando.c_str()) != 0) return "";
  return LeTexto(arquivo + ".sig");
}
#endif

}  // namespace ChavesTeste
