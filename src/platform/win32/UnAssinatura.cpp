#include "platform/UnAssinatura.h"

#include <windows.h>
#include <bcrypt.h>
#include <wincrypt.h>

#include <memory>
#include <vector>

#include "platform/win32/UnTextoLargo.h"

namespace UnAssinatura {

namespace {

constexpr const char* CURVA_P256 = "1.2.840.10045.3.1.7";  // prime256v1

struct LiberaLocal {
  void operator()(void* p) const { LocalFree(p); }
};
template <typename T>
using Decodificado = std::unique_ptr<T, LiberaLocal>;

// CryptDecodeObjectEx with its own allocation; null when the bytes are not of that type.
template <typename T>
Decodificado<T> Decodifica(const char* tipo, const BYTE* dados, DWORD tamanho) {
  void* resultado = nullptr;
  DWORD iTamanho = 0;
  if (!CryptDecodeObjectEx(X509_ASN_ENCODING, tipo, dados, tamanho, CRYPT_DECODE_ALLOC_FLAG,
                           nullptr, &resultado, &iTamanho))
    return nullptr;
  return Decodificado<T>(static_cast<T*>(resultado));
}

class Chave {
 public:
  ~Chave() {
    if (h_) BCryptDestroyKey(h_);
  }
  BCRYPT_KEY_HANDLE* Endereco() { return &h_; }
  BCRYPT_KEY_HANDLE Get() const { return h_; }

 private:
  BCRYPT_KEY_HANDLE h_ = nullptr;
};

// The PEM's SubjectPublicKeyInfo, of an EC key on P-256, imported into CNG.
bool ImportaChave(const std::string& pem, Chave& chave) {
  DWORD tamanho = 0;
  if (!CryptStringToBinaryA(pem.data(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER,
                            nullptr, &tamanho, nullptr, nullptr))
    return false;
  std::vector<BYTE> der(tamanho);
  if (!CryptStringToBinaryA(pem.data(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER,
                            der.data(), &tamanho, nullptr, nullptr))
    return false;
  const auto info = Decodifica<CERT_PUBLIC_KEY_INFO>(X509_PUBLIC_KEY_INFO, der.data(), tamanho);
  if (!info || !info->Algorithm.pszObjId ||
      std::string(info->Algorithm.pszObjId) != szOID_ECC_PUBLIC_KEY)
    return false;
  const auto curva = Decodifica<LPSTR>(X509_OBJECT_IDENTIFIER, info->Algorithm.Parameters.pbData,
                                       info->Algorithm.Parameters.cbData);
  if (!curva || !*curva || std::string(*curva) != CURVA_P256) return false;
  return CryptImportPublicKeyInfoEx2(X509_ASN_ENCODING, info.get(), 0, nullptr,
                                     chave.Endereco()) != FALSE;
}

// SHA-256 of the file's bytes, read in blocks; empty when it cannot be read.
std::vector<BYTE> Resumo(const std::string& arquivo) {
  const HANDLE h = CreateFileW(UnTextoLargo::Largo(arquivo).c_str(), GENERIC_READ, FILE_SHARE_READ,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return {};
  std::unique_ptr<void, decltype(&CloseHandle)> fecha(h, CloseHandle);
  BCRYPT_ALG_HANDLE algoritmo = nullptr;
  if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&algoritmo, BCRYPT_SHA256_ALGORITHM, nullptr, 0)))
    return {};
  const auto fechaAlgoritmo = [](void* a) { BCryptCloseAlgorithmProvider(a, 0); };
  std::unique_ptr<void, decltype(fechaAlgoritmo)> provedor(algoritmo, fechaAlgoritmo);
  BCRYPT_HASH_HANDLE hash = nullptr;
  if (!BCRYPT_SUCCESS(BCryptCreateHash(algoritmo, &hash, nullptr, 0, nullptr, 0, 0))) return {};
  std::unique_ptr<void, decltype(&BCryptDestroyHash)> libera(hash, BCryptDestroyHash);
  std::vector<BYTE> bloco(65536);
  for (;;) {
    DWORD lido = 0;
    if (!ReadFile(h, bloco.data(), static_cast<DWORD>(bloco.size()), &lido, nullptr)) return {};
    if (lido == 0) break;
    if (!BCRYPT_SUCCESS(BCryptHashData(hash, bloco.data(), lido, 0))) return {};
  }
  std::vector<BYTE> resumo(32);
  if (!BCRYPT_SUCCESS(BCryptFinishHash(hash, resumo.data(), 32, 0))) return {};
  return resumo;
}

// CNG takes r and s as two big-endian halves of 32 bytes; the decoder gives them little-endian
// and without leading zeros.
bool Metade(const CRYPT_UINT_BLOB& valor, BYTE* destino) {
  if (valor.cbData > 32) return false;
  for (DWORD i = 0; i < valor.cbData; ++i) destino[31 - i] = valor.pbData[i];
  return true;
}

}  // namespace

std::string Verifica(const std::string& chavePem, const std::string& arquivo,
                     const std::string& assinatura) {
  if (assinatura.size() < TAMANHO_MINIMO_DER || assinatura.size() > TAMANHO_MAXIMO_DER)
    return "assinatura de " + std::to_string(assinatura.size()) +
           " bytes: não é uma assinatura ECDSA P-256";
  Chave chave;
  if (!ImportaChave(chavePem, chave))
    return "chave do fabricante inválida: não é uma chave ECDSA P-256";
  const auto rs = Decodifica<CERT_ECC_SIGNATURE>(
      X509_ECC_SIGNATURE, reinterpret_cast<const BYTE*>(assinatura.data()),
      static_cast<DWORD>(assinatura.size()));
  BYTE assinaturaCng[64] = {};
  if (!rs || !Metade(rs->r, assinaturaCng) || !Metade(rs->s, assinaturaCng + 32))
    return "assinatura mal formada (não é uma assinatura ECDSA em DER)";
  std::vector<BYTE> resumo = Resumo(arquivo);
  if (resumo.empty()) return "arquivo ilegível: " + arquivo;
  if (!BCRYPT_SUCCESS(BCryptVerifySignature(chave.Get(), nullptr, resumo.data(),
                                            static_cast<ULONG>(resumo.size()), assinaturaCng,
                                            sizeof assinaturaCng, 0)))
    return "a assinatura não confere com o arquivo";
  return "";
}

}  // namespace UnAssinatura
