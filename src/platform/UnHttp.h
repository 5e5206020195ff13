#pragma once
// HTTP(S) GET streamed into a file.
#include <stdexcept>
#include <string>

namespace UnHttp {

// The agent the maker's updater downloads have always announced.
inline constexpr const char* AGENTE_USUARIO = "Mozilla/3.0 (compatible; Indy Library)";

class EArquivoDestino : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Creates (truncates) `destino`, raising EArquivoDestino when it cannot; then GETs
// `endereco` into it. True only for a complete 2xx answer; redirects are not followed and
// https certificates are not verified. The file stays on disk whatever the outcome.
bool Baixa(const std::string& endereco, const std::string& destino);

}  // namespace UnHttp
