#include "platform/UnAssinatura.h"

#include <windows.h>
#include <bcrypt.h>
#include <wincrypt.h>

#include <memory>
#include <vector>

#include "platform/UnBiblioteca.h"


namespace UnAssinatura {

namespace {

constexpr const char* CURVA_P256 = "1.2.840.10045.3.1.7";  // prime256v1

// CNG and CryptoAPI are loaded from the system's folder the first time a signature is checked,
// as OpenSSL is on Linux: the resident monitor checks one at start-up, if at all, and a program
// that imports them pays for their start in every run.
struct Cng {
  decltype(&BCryptOpenAlgorithmProvider) OpenAlgorithmProvider;
  decltype(&BCryptCloseAlgorithmProvider) CloseAlgorithmProvider;
  decltype(&BCryptCreateHash) CreateHash;
  decltype(&BCryptHashData) HashData;
  decltype(&BCryptFinishHash) FinishHash;
  decltype(&BCryptDestroyHash) DestroyHash;
  decltype(&BCryptVerifySignature) VerifySignature;
  decltype(&BCryptDestroyKey) DestroyKey;
  decltype(&CryptStringToBinaryA) StringToBinaryA;
  decltype(&CryptDecodeObjectEx) DecodeObjectEx;
  decltype(&CryptImportPublicKeyInfoEx2) ImportPublicKeyInfoEx2;
};

const Cng* CarregaCng() {
  static const Cng* cng = []() -> const Cng* {
    static Cng c;
    void* bcrypt = UnBiblioteca::CarregaDoSistema("bcrypt.dll");
    void* crypt32 = UnBiblioteca::CarregaDoSistema("crypt32.dll");
    using UnBiblioteca::Liga;
    if (!bcrypt || !crypt32 ||
        !Liga(bcrypt, "BCryptOpenAlgorithmProvider", c.OpenAlgorithmProvider) ||
        !Liga(bcrypt, "BCryptCloseAlgorithmProvider", c.CloseAlgorithmProvider) ||
        !Liga(bcrypt, "BCryptCreateHash", c.CreateHash) ||
        !Liga(bcrypt, "BCryptHashData", c.HashData) ||
        !Liga(bcrypt, "BCryptFinishHash", c.FinishHash) ||
        !Liga(bcrypt, "BCryptDestroyHash", c.DestroyHash) ||
        !Liga(bcrypt, "BCryptVerifySignature", c.VerifySignature) ||
        !Liga(bcrypt, "BCryptDestroyKey", c.DestroyKey) ||
        !Liga(crypt32, "CryptStringToBinaryA", c.StringToBinaryA) ||
        !Liga(crypt32, "CryptDecodeObjectEx", c.DecodeObjectEx) ||
        !Liga(crypt32, "CryptImportPublicKeyInfoEx2", c.ImportPublicKeyInfoEx2))
      return nullptr;
    return &c;
  }();
  return cng;
}

struct LiberaLocal {
  void operator()(void* p) const { LocalFree(p); }
};
template <typename T>
using Decodificado = std::unique_ptr<T, LiberaLocal>;

// CryptDecodeObjectEx with its own allocation; null when the bytes are not of that type.
template <typename T>
Decodificado<T> Decodifica(const Cng& c, const char* tipo, const BYTE* dados, DWORD tamanho) {
  void* resultado = nullptr;
  DWORD iTamanho = 0;
  if (!c.DecodeObjectEx(X509_ASN_ENCODING, tipo, dados, tamanho, CRYPT_DECODE_ALLOC_FLAG,
                           nullptr, &resultado, &iTamanho))
    return nullptr;
  return Decodificado<T>(static_cast<T*>(resultado));
}

class Chave {
 public:
  explicit Chave(const Cng& cng) : cng_(&cng) {}
  ~Chave() {
    if (h_) cng_->DestroyKey(h_);
  }
  BCRYPT_KEY_HANDLE* Endereco() { return &h_; }
  BCRYPT_KEY_HANDLE Get() const { return h_; }

 private:
  const Cng* cng_;
  BCRYPT_KEY_HANDLE h_ = nullptr;
};

// The PEM's SubjectPublicKeyInfo, of an EC key on P-256, imported into CNG.
bool ImportaChave(const Cng& c, const std::string& pem, Chave& chave) {
  DWORD tamanho = 0;
  if (!c.StringToBinaryA(pem.data(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER,
                            nullptr, &tamanho, nullptr, nullptr))
    return false;
  std::vector<BYTE> der(tamanho);
  if (!c.StringToBinaryA(pem.data(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER,
                            der.data(), &tamanho, nullptr, nullptr))
    return false;
  const auto info = Decodifica<CERT_PUBLIC_KEY_INFO>(c, X509_PUBLIC_KEY_INFO, der.data(), tamanho);
  if (!info || !info->Algorithm.pszObjId ||
      std::string(info->Algorithm.pszObjId) != szOID_ECC_PUBLIC_KEY)
    return false;
  const auto curva = Decodifica<LPSTR>(c, X509_OBJECT_IDENTIFIER, info->Algorithm.Parameters.pbData,
                                       info->Algorithm.Parameters.cbData);
  if (!curva || !*curva || std::string(*curva) != CURVA_P256) return false;
  return c.ImportPublicKeyInfoEx2(X509_ASN_ENCODING, info.get(), 0, nullptr,
                                     chave.Endereco()) != FALSE;
}

// SHA-256 of the bytes; empty when the provider fails.
std::vector<BYTE> Resumo(const Cng& c, const std::string& conteudo) {
  BCRYPT_ALG_HANDLE algoritmo = nullptr;
  if (!BCRYPT_SUCCESS(c.OpenAlgorithmProvider(&algoritmo, BCRYPT_SHA256_ALGORITHM, nullptr, 0)))
    return {};
  const auto fecha = [&c](void* a) { c.CloseAlgorithmProvider(a, 0); };
  std::unique_ptr<void, decltype(fecha)> provedor(algoritmo, fecha);
  std::vector<BYTE> resumo(32);
  // One call over the whole file: BCryptHash is Windows 10's, so the hash object of Windows 7.
  BCRYPT_HASH_HANDLE hash = nullptr;
  if (!BCRYPT_SUCCESS(c.CreateHash(algoritmo, &hash, nullptr, 0, nullptr, 0, 0))) return {};
  std::unique_ptr<void, decltype(c.DestroyHash)> libera(hash, c.DestroyHash);
  if (!BCRYPT_SUCCESS(c.HashData(hash, reinterpret_cast<PUCHAR>(const_cast<char*>(conteudo.data())),
                                     static_cast<ULONG>(conteudo.size()), 0)) ||
      !BCRYPT_SUCCESS(c.FinishHash(hash, resumo.data(), 32, 0)))
    return {};
  return resumo;
}

// CNG takes r and s as two big-endian halves of 32 bytes; the decoder gives them little-endian,
// perhaps with the sign byte of DER still on top.
bool Metade(const CRYPT_UINT_BLOB& valor, BYTE* destino) {
  DWORD tamanho = valor.cbData;
  while (tamanho > 32 && valor.pbData[tamanho - 1] == 0) --tamanho;
  if (tamanho > 32) return false;
  for (DWORD i = 0; i < tamanho; ++i) destino[31 - i] = valor.pbData[i];
  return true;
}

}  // namespace

std::string VerificaConteudo(const std::string& chavePem, const std::string& conteudo,
                             const std::string& assinatura) {
  const Cng* c = CarregaCng();
  if (!c) return "biblioteca de criptografia do sistema (bcrypt.dll, crypt32.dll) indisponível";
  Chave chave(*c);
  if (!ImportaChave(*c, chavePem, chave))
    return "chave do fabricante inválida: não é uma chave ECDSA P-256";
  const auto rs = Decodifica<CERT_ECC_SIGNATURE>(
      *c, X509_ECC_SIGNATURE, reinterpret_cast<const BYTE*>(assinatura.data()),
      static_cast<DWORD>(assinatura.size()));
  BYTE assinaturaCng[64] = {};
  if (!rs || !Metade(rs->r, assinaturaCng) || !Metade(rs->s, assinaturaCng + 32))
    return "assinatura mal formada (não é uma assinatura ECDSA em DER)";
  std::vector<BYTE> resumo = Resumo(*c, conteudo);
  if (resumo.empty()) return "verificação da assinatura não pôde ser feita";
  if (!BCRYPT_SUCCESS(c->VerifySignature(chave.Get(), nullptr, resumo.data(),
                                            static_cast<ULONG>(resumo.size()), assinaturaCng,
                                            sizeof assinaturaCng, 0)))
    return "a assinatura não confere com o arquivo";
  return "";
}

}  // namespace UnAssinatura
