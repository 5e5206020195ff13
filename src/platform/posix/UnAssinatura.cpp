#include "platform/UnAssinatura.h"

#include <memory>

#include "platform/UnBiblioteca.h"

namespace UnAssinatura {

namespace {

// libcrypto is loaded the first time a signature is checked, as libcurl is for a download: the
// resident monitor checks one at start-up, if at all.
struct Cripto {
  void* (*bio_new_mem_buf)(const void*, int);
  int (*bio_free)(void*);
  void* (*pem_read_bio_pubkey)(void*, void**, void*, void*);
  void (*pkey_free)(void*);
  int (*pkey_get_base_id)(const void*);
  int (*pkey_get_bits)(const void*);
  void* (*md_ctx_new)();
  void (*md_ctx_free)(void*);
  const void* (*sha256)();
  int (*digest_verify_init)(void*, void**, const void*, void*, void*);
  int (*digest_update)(void*, const void*, size_t);
  int (*digest_verify_final)(void*, const unsigned char*, size_t);
};

constexpr int EVP_PKEY_EC = 408;  // NID_X9_62_id_ecPublicKey

const Cripto* CarregaCripto() {
  static const Cripto* cripto = []() -> const Cripto* {
    std::string erro;
    void* b = UnBiblioteca::Carrega({"libcrypto.so.3"}, erro);
    static Cripto c;
    using UnBiblioteca::Liga;
    if (!b || !Liga(b, "BIO_new_mem_buf", c.bio_new_mem_buf) || !Liga(b, "BIO_free", c.bio_free) ||
        !Liga(b, "PEM_read_bio_PUBKEY", c.pem_read_bio_pubkey) ||
        !Liga(b, "EVP_PKEY_free", c.pkey_free) ||
        !Liga(b, "EVP_PKEY_get_base_id", c.pkey_get_base_id) ||
        !Liga(b, "EVP_PKEY_get_bits", c.pkey_get_bits) ||
        !Liga(b, "EVP_MD_CTX_new", c.md_ctx_new) || !Liga(b, "EVP_MD_CTX_free", c.md_ctx_free) ||
        !Liga(b, "EVP_sha256", c.sha256) ||
        !Liga(b, "EVP_DigestVerifyInit", c.digest_verify_init) ||
        !Liga(b, "EVP_DigestUpdate", c.digest_update) ||
        !Liga(b, "EVP_DigestVerifyFinal", c.digest_verify_final))
      return nullptr;
    return &c;
  }();
  return cripto;
}

// Null when the text is not a public key of the scheme.
std::shared_ptr<void> LeChave(const Cripto& c, const std::string& pem) {
  std::unique_ptr<void, int (*)(void*)> bio(
      c.bio_new_mem_buf(pem.data(), static_cast<int>(pem.size())), c.bio_free);
  if (!bio) return nullptr;
  std::shared_ptr<void> chave(c.pem_read_bio_pubkey(bio.get(), nullptr, nullptr, nullptr),
                              [&c](void* k) { if (k) c.pkey_free(k); });
  if (!chave.get() || c.pkey_get_base_id(chave.get()) != EVP_PKEY_EC ||
      c.pkey_get_bits(chave.get()) != 256)
    return nullptr;
  return chave;
}

}  // namespace

std::string VerificaConteudo(const std::string& chavePem, const std::string& conteudo,
                             const std::string& assinatura) {
  const Cripto* c = CarregaCripto();
  if (!c) return "biblioteca de criptografia (libcrypto.so.3) indisponível";
  const std::shared_ptr<void> chave = LeChave(*c, chavePem);
  if (!chave) return "chave do fabricante inválida: não é uma chave ECDSA P-256";
  std::unique_ptr<void, void (*)(void*)> contexto(c->md_ctx_new(), c->md_ctx_free);
  if (!contexto ||
      c->digest_verify_init(contexto.get(), nullptr, c->sha256(), nullptr, chave.get()) != 1 ||
      c->digest_update(contexto.get(), conteudo.data(), conteudo.size()) != 1)
    return "verificação da assinatura não pôde ser feita";
  // 1 is a match; 0 a valid signature of something else; below 0 not a DER signature at all.
  const int resultado = c->digest_verify_final(
      contexto.get(), reinterpret_cast<const unsigned char*>(assinatura.data()), assinatura.size());
  if (resultado == 1) return "";
  return resultado == 0 ? "a assinatura não confere com o arquivo"
                        : "assinatura mal formada (não é uma assinatura ECDSA em DER)";
}

}  // namespace UnAssinatura
