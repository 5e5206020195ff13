#include "platform/UnCodigoAnsi.h"

// On Linux the database's bytes pass through as they are.
namespace UnCodigoAnsi {

std::string DeAnsi(std::string_view texto) { return std::string(texto); }
std::string ParaAnsi(std::string_view texto) { return std::string(texto); }
bool Representavel(std::string_view) { return true; }

}  // namespace UnCodigoAnsi
