#pragma once
// The maker's detached signature of a file: ECDSA over the curve P-256 with SHA-256, the
// signature in DER as `openssl dgst -sha256 -sign KEY.pem -out FILE.sig FILE` writes it, the
// key a SubjectPublicKeyInfo in PEM as `openssl pkey -pubout` writes it. The system's own
// library does the work: OpenSSL's libcrypto on Linux, CNG on Windows.
#include <cstddef>
#include <string>

namespace UnAssinatura {

// The DER sequence of two integers of at most 33 bytes each, and of at least one each.
inline constexpr size_t TAMANHO_MINIMO_DER = 8;
inline constexpr size_t TAMANHO_MAXIMO_DER = 72;

// Empty when `assinatura` is the signature of the file `arquivo` under `chavePem`; otherwise
// what failed, in words (no key of the scheme, a signature that is not DER, one that does not
// match, a file that cannot be read).
std::string Verifica(const std::string& chavePem, const std::string& arquivo,
                     const std::string& assinatura);
// The same for bytes already read, by the system's library (posix/ and win32/).
std::string VerificaConteudo(const std::string& chavePem, const std::string& conteudo,
                             const std::string& assinatura);

}  // namespace UnAssinatura
