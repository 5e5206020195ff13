#pragma once
// The "Novo ..." shortcut to the monitor on the user's desktop.
#include <string>

struct TValoresAtualizacao;

namespace UnAtalhoDesktop {

// The desktop folder with a trailing separator; empty when it cannot be determined.
std::string RetornaPastaDesktop();
// Creates or replaces "Novo " + the executable's name without extension, described as the
// name without its last 4 characters. Nothing is made when the desktop is unknown. Empty
// unless the shortcut could not be made: then why not.
std::string CriaAtalhoDesktop(const TValoresAtualizacao& atualizacao,
                              const std::string& caminhoExecutavel);

}  // namespace UnAtalhoDesktop
