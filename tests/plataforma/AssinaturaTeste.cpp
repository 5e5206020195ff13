// The signature check against both system libraries (OpenSSL here, CNG under Wine): published
// vectors, signatures the openssl command line made, and what must never pass.
#include <gtest/gtest.h>

#include <string>

#include "platform/UnAssinatura.h"
#include "suporte/ChavesTeste.h"
#include "suporte/PastaTemporaria.h"

using UnAssinatura::Verifica;

namespace {

std::string Hex(const std::string& hex) {
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return bytes;
}

// RFC 6979, A.2.5: the key of the P-256 examples (Ux, Uy as a SubjectPublicKeyInfo) and the
// SHA-256 signatures (r, s in DER) of the messages "sample" and "test".
const std::string CHAVE_RFC6979 =
    "-----BEGIN PUBLIC KEY-----\n"
    "MFkwEwYHKoZIzj0CAQYIKoZIzj0DAQcDQgAEYP7UuiVanTHJYet0xjVtaMBJuJI7\n"
    "Yfps5mliLmDyn7Z5A/4QCLi8maQa6elWKLxk8vGyDC1+n1F3o8KU1EYimQ==\n"
    "-----END PUBLIC KEY-----\n";
const std::string SAMPLE = Hex(
    "3046022100efd48b2aacb6a8fd1140dd9cd45e81d69d2c877b56aaf991c34d0ea84eaf3716022100f7cb1c942d"
    "657c41d436c7a1b6e29f65f3e900dbb9aff4064dc4ab2f843acda8");
const std::string TEST = Hex(
    "3045022100f1abb023518351cd71d881567b1ea663ed3efcf6c5132b354f28d3b0b7d383670220019f411374"
    "2a2b14bd25926b49c649155f267e60d3814b4c0cc84250e46f0083");

}  // namespace

TEST(Assinatura, VetoresPublicadosEAssinaturasDoOpenssl) {
  PastaTemporaria pasta;
  EscreveArquivo(pasta / "sample", "sample");
  EscreveArquivo(pasta / "test", "test");
  EXPECT_EQ(Verifica(CHAVE_RFC6979, pasta / "sample", SAMPLE), "");
  EXPECT_EQ(Verifica(CHAVE_RFC6979, pasta / "test", TEST), "");
  // A signature of the other message, of the same key.
  EXPECT_EQ(Verifica(CHAVE_RFC6979, pasta / "sample", TEST), "a assinatura não confere com o arquivo");

  const std::string amostra = ChavesTeste::Pasta("fabricante") + "/amostra.bin";
  const std::string outra = ChavesTeste::Pasta("outra") + "/amostra.bin";
  const std::string fabricante = ChavesTeste::Publica("fabricante");
  EXPECT_EQ(Verifica(fabricante, amostra, LeTexto(amostra + ".sig")), "");
  // The same bytes signed with another key, and checked with the other key.
  EXPECT_EQ(Verifica(fabricante, outra, LeTexto(outra + ".sig")),
            "a assinatura não confere com o arquivo");
  EXPECT_EQ(Verifica(ChavesTeste::Publica("outra"), amostra, LeTexto(amostra + ".sig")),
            "a assinatura não confere com o arquivo");
}

TEST(Assinatura, NadaMaisPassa) {
  PastaTemporaria pasta;
  EscreveArquivo(pasta / "sample", "sample");
  EscreveArquivo(pasta / "samplf", "samplf");
  EXPECT_EQ(Verifica(CHAVE_RFC6979, pasta / "samplf", SAMPLE), "a assinatura não confere com o arquivo");
  std::string s = SAMPLE;
  s[10] ^= 1;
  EXPECT_EQ(Verifica(CHAVE_RFC6979, pasta / "sample", s), "a assinatura não confere com o arquivo");
  for (const std::string& invalida : {std::string(), std::string("x"), SAMPLE + "x", SAMPLE + SAMPLE})
    EXPECT_NE(Verifica(CHAVE_RFC6979, pasta / "sample", invalida).find("não é uma assinatura"),
              std::string::npos);
  // Forty bytes of zeros and a sequence that is not two integers: not DER signatures.
  for (const std::string& invalida : {std::string(40, '\0'), Hex("3008040212340402abcd")})
    EXPECT_NE(Verifica(CHAVE_RFC6979, pasta / "sample", invalida), "");
  EXPECT_NE(Verifica(CHAVE_RFC6979, pasta / "falta", SAMPLE).find("ilegível"), std::string::npos);
  // No key of the scheme: garbage, an RSA key, a P-384 key.
  const std::string rsa =
      "-----BEGIN PUBLIC KEY-----\n"
      "MFwwDQYJKoZIhvcNAQEBBQADSwAwSAJBALmFAXh2ri6fx/GTEgTi8KfNiviz+qdR\n"
      "fha848o0Rvta0MhS0RECLOIfNcW1TNrCVqcfbyLZK0wEjD1uheGzQc8CAwEAAQ==\n"
      "-----END PUBLIC KEY-----\n";
  const std::string p384 =
      "-----BEGIN PUBLIC KEY-----\n"
      "MHYwEAYHKoZIzj0CAQYFK4EEACIDYgAEzyXOO7aaZxYC4ESxBdrT5Z+d5RGiZfbM\n"
      "M3PXyqcvPTQxft5Tre78lewT+dr0yko0wtrWynerx/MP2p68v6eWxM+sbA7ftH6E\n"
      "mR4Y3OxXdZCvGUXDs5XYqCSsBQNzkj3I\n"
      "-----END PUBLIC KEY-----\n";
  for (const std::string& chave : {std::string("nada"), rsa, p384})
    EXPECT_NE(Verifica(chave, pasta / "sample", SAMPLE).find("chave do fabricante inválida"),
              std::string::npos);
}
