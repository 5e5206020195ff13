#pragma once
// The Firebird server of the network tests: the one MONITOR_SERVIDOR_FIREBIRD names
// ("host/port", as the ERP's initialisation file writes it), 127.0.0.1/3050 otherwise. The test
// command runs these tests once against each server it starts.
#include <cstdlib>
#include <string>

namespace ServidorTeste {

inline std::string Endereco() {
  const char* endereco = std::getenv("MONITOR_SERVIDOR_FIREBIRD");
  return endereco && *endereco ? endereco : "127.0.0.1/3050";
}

inline int Porta() {
  const std::string endereco = Endereco();
  const size_t barra = endereco.find('/');
  return barra == std::string::npos ? 3050 : std::atoi(endereco.c_str() + barra + 1);
}

// Whether the server's port on 127.0.0.1 takes a connection.
inline bool Atende() {
  const std::string comando =
      "bash -c '(exec 3<>/dev/tcp/127.0.0.1/" + std::to_string(Porta()) + ")' 2>/dev/null";
  return std::system(comando.c_str()) == 0;
}

// The script that starts and stops it (MONITOR_SCRIPT_SERVIDOR).
inline std::string Script() {
  const char* script = std::getenv("MONITOR_SCRIPT_SERVIDOR");
  return script && *script ? script : MONITOR_RAIZ_FONTES "/scripts/servidor-firebird.sh";
}

}  // namespace ServidorTeste
