#pragma once
// The system's texts for its error codes, in the workstation's language. They are read as
// UTF-16 and turned into the monitor's UTF-8, so a Portuguese text keeps its accents whatever
// the ANSI code page.
#include <string>

namespace UnErroSistema {

// The text of `codigo` without its final line break, "%1" replaced by `objeto`; "erro " and
// the code when the system has no text for it.
std::string DescreveErro(unsigned long codigo, const std::string& objeto = "");

}  // namespace UnErroSistema
