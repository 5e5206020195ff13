#pragma once
// The user's desktop folder and shortcuts on it.
#include <string>

namespace UnAreaTrabalho {

// The desktop folder with a trailing separator; empty when it cannot be determined.
std::string PastaDesktop();
// Creates or replaces the shortcut `arquivo` (without its extension: the platform adds
// ".lnk" or ".desktop") pointing at `alvo`, described as `descricao`. Empty when it was made;
// otherwise why not, for the log.
std::string CriaAtalho(const std::string& arquivoSemExtensao, const std::string& alvo,
                       const std::string& descricao);

}  // namespace UnAreaTrabalho
