#include "maintenance/UnEnderecoSite.h"

namespace UnEnderecoSite {

std::string RetornaEnderecoSite() { return "http://www.quelvix.com.br"; }

}  // namespace UnEnderecoSite
