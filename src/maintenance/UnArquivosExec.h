#pragma once
// The "Exec-" files the installer leaves beside the monitor's executable.
#include <string>

struct TValoresAtualizacao;

namespace UnArquivosExec {

// "Exec-" + the executable's name with ".exe" turned into ".ini".
std::string RetornaIniMarcador(const TValoresAtualizacao& atualizacao);
// "Exec-" + the executable's name.
std::string RetornaCopiaExecutavel(const TValoresAtualizacao& atualizacao);

// With the marker ini: the desktop shortcut, the master folder's executables for the ERP's
// own programs, and the marker consumed. The executable copy is removed in every case.
void TrataArquivosExec(const TValoresAtualizacao& atualizacao,
                       const std::string& caminhoExecutavel);
// Copies the master folder's *.exe files that the update folder lacks; never replaces one.
void CopiaExecutaveisPastaMestre(const TValoresAtualizacao& atualizacao);

}  // namespace UnArquivosExec
