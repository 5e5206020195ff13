#pragma once
// Running processes, the running executable, and starting programs and documents.
#include <optional>
#include <string>
#include <vector>

namespace UnProcessos {

// One name per running process as the process list gives it (the executable's path or name);
// empty when the system's list could not be read at all.
std::optional<std::vector<std::string>> ListaProcessos();
// Full path of the running executable.
std::string CaminhoExecutavel();

struct PedidoExecucao {
  std::string sVerbo;       // "open", or empty for the default verb
  std::string sArquivo;     // program or document
  std::string sParametros;
  std::string sPastaTrabalho;
  bool bOculto = false;     // hidden window instead of a normal one
};
// Starts a program or opens a document; the outcome is the caller's to ignore.
// The program EXPLORADOR with a file's path as parameters shows that file selected in its
// folder, never opened: a file another workstation may have written is never handed to the
// shell, whatever its name ("x-cte.err.exe").
bool Executa(const PedidoExecucao& pedido);

inline constexpr const char* EXPLORADOR = "explorer";

}  // namespace UnProcessos
