#pragma once
// Where the maker's web server lives.
#include <string>

namespace UnEnderecoSite {

// Scheme and host, no trailing slash: callers append an absolute path.
std::string RetornaEnderecoSite();

}  // namespace UnEnderecoSite
