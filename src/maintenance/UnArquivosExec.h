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
// own programs, and the marker consumed once the shortcut is made (a shortcut that could not
// be made is tried again at the next start). The executable copy is removed in every case
// but that of a kept marker that is the copy itself. Empty, or why the shortcut was not made.
std::string TrataArquivosExec(const TValoresAtualizacao& atualizacao,
                              const std::string& caminhoExecutavel);
// Copies the master folder's *.exe files that the update folder lacks; never replaces one.
void CopiaExecutaveisPastaMestre(const TValoresAtualizacao& atualizacao);

}  // namespace UnArquivosExec
