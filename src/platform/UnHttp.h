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

// No file the monitor fetches is larger; a body past it is a failure.
inline constexpr long long TAMANHO_MAXIMO = 64LL << 20;

// Creates (truncates) `destino`, raising EArquivoDestino when it cannot; then GETs
// `endereco` into it. True only for a complete 2xx answer of at most TAMANHO_MAXIMO bytes;
// redirects are not followed and https certificates are not verified (what is trusted is
// decided by the maker's signature, never by the transport). The file stays on disk whatever
// the outcome.
bool Baixa(const std::string& endereco, const std::string& destino);

}  // namespace UnHttp
