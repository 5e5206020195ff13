// The download against a real web server on 127.0.0.1.
#include <gtest/gtest.h>

#include "maintenance/UnBaixaArquivo.h"
#include "platform/UnHttp.h"
#include "suporte/PastaTemporaria.h"
#include "suporte/ServidorHttpTeste.h"

using UnBaixaArquivo::BaixaArquivo;

namespace {

std::string Binario(size_t tamanho) {
  std::string s(tamanho, '\0');
  for (size_t i = 0; i < tamanho; ++i) s[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return s;
}

}  // namespace

class BaixaArquivoTeste : public testing::Test {
 protected:
  PastaTemporaria pasta;
  ServidorHttpTeste servidor;
  std::string sDestino = pasta / "baixado.exe";
};

TEST_F(BaixaArquivoTeste, CompleteAnswerIsWrittenWhole) {
  const std::string sConteudo = Binario(300 * 1024);
  servidor.Publica("/update/quelvix%20Empresa/a.exe", sConteudo);
  EscreveArquivo(sDestino,
                 "an older, longer content that must be truncated away" + Binario(400000));
  EXPECT_TRUE(BaixaArquivo(servidor.Endereco() + "/update/quelvix%20Empresa/a.exe", sDestino));
  EXPECT_EQ(LeTexto(sDestino), sConteudo);
  EXPECT_EQ(servidor.Pedidos(),
            std::vector<std::string>{"GET /update/quelvix%20Empresa/a.exe HTTP/1.1"});
}

TEST_F(BaixaArquivoTeste, RequestCarriesTheFixedHeaders) {
  ASSERT_TRUE(BaixaArquivo(servidor.Endereco() + "/cabecalhos", sDestino));
  const std::string sRecebidos = LeTexto(sDestino);
  EXPECT_NE(sRecebidos.find("Accept: text/javascript\n"), std::string::npos) << sRecebidos;
  EXPECT_NE(sRecebidos.find("Content-Type: application/json\n"), std::string::npos) << sRecebidos;
  EXPECT_NE(sRecebidos.find("Content-Encoding: utf-8\n"), std::string::npos) << sRecebidos;
  EXPECT_NE(sRecebidos.find("User-Agent: Mozilla/3.0 (compatible; Indy Library)\n"),
            std::string::npos)
      << sRecebidos;
  EXPECT_EQ(sRecebidos.find("Accept: */*"), std::string::npos);
}

TEST_F(BaixaArquivoTeste, FailureStatusesAreFalseAndLeaveTheFile) {
  // Past the largest file the monitor fetches, a body is a failure too, the limit itself not.
  servidor.Publica("/grande.exe", std::string(UnHttp::TAMANHO_MAXIMO + 1, 'x'));
  servidor.Publica("/limite.exe", std::string(UnHttp::TAMANHO_MAXIMO, 'x'));
  for (const char* caminho :
       {"/nada.exe", "/status/404", "/status/500", "/status/403", "/grande.exe"}) {
    SCOPED_TRACE(caminho);
    EXPECT_FALSE(BaixaArquivo(servidor.Endereco() + caminho, sDestino));
    EXPECT_TRUE(Existe(sDestino));
  }
  EXPECT_TRUE(BaixaArquivo(servidor.Endereco() + "/limite.exe", sDestino));
}

TEST_F(BaixaArquivoTeste, RedirectIsNotFollowed) {
  for (const char* codigo : {"301", "302"}) {
    EXPECT_FALSE(BaixaArquivo(servidor.Endereco() + "/status/" + codigo, sDestino));
    EXPECT_TRUE(Existe(sDestino));
  }
  // The target of the Location header was never asked for.
  EXPECT_EQ(servidor.Pedidos(),
            (std::vector<std::string>{"GET /status/301 HTTP/1.1", "GET /status/302 HTTP/1.1"}));
}

TEST_F(BaixaArquivoTeste, DroppedConnectionKeepsThePartReceived) {
  EXPECT_FALSE(BaixaArquivo(servidor.Endereco() + "/corta/5000", sDestino));
  EXPECT_EQ(LeTexto(sDestino), std::string(5000, 'x'));
}

TEST_F(BaixaArquivoTeste, UnreachableServerLeavesAnEmptyFile) {
  EXPECT_FALSE(BaixaArquivo("http://127.0.0.1:9/a.exe", sDestino));
  EXPECT_TRUE(Existe(sDestino));
  EXPECT_EQ(LeTexto(sDestino), "");
}

TEST_F(BaixaArquivoTeste, OnlyHttpAndHttpsAreFetched) {
  EscreveArquivo(pasta / "local.exe", "local content");
  EXPECT_FALSE(BaixaArquivo("file://" + (pasta / "local.exe"), sDestino));
  EXPECT_EQ(LeTexto(sDestino), "");
}

TEST_F(BaixaArquivoTeste, MissingDestinationFolderIsAnErrorAndNoRequestIsSent) {
  servidor.Publica("/a.exe", "MZ");
  EXPECT_THROW(BaixaArquivo(servidor.Endereco() + "/a.exe", pasta / "falta/baixado.exe"),
               UnHttp::EArquivoDestino);
  EXPECT_FALSE(Existe(pasta / "falta"));
  EXPECT_TRUE(servidor.Pedidos().empty());
}

TEST(BaixaArquivoTls, SelfSignedCertificateIsAcceptedWhateverTheSchemeCase) {
  PastaTemporaria pasta;
  ServidorHttpTeste servidor(true);
  const std::string sConteudo = Binario(70000);
  servidor.Publica("/a.exe", sConteudo);
  const std::string sEndereco = servidor.Endereco();
  ASSERT_EQ(sEndereco.rfind("https://", 0), 0u);
  EXPECT_TRUE(BaixaArquivo(sEndereco + "/a.exe", pasta / "a.exe"));
  EXPECT_EQ(LeTexto(pasta / "a.exe"), sConteudo);
  EXPECT_TRUE(BaixaArquivo("HTTPS" + sEndereco.substr(5) + "/a.exe", pasta / "b.exe"));
  EXPECT_EQ(LeTexto(pasta / "b.exe"), sConteudo);
  // An http address is asked over https first, and this server answers there; plain http
  // against the TLS port is a failed download, not a hang.
  EXPECT_TRUE(BaixaArquivo("http" + sEndereco.substr(5) + "/a.exe", pasta / "c.exe"));
  EXPECT_EQ(LeTexto(pasta / "c.exe"), sConteudo);
  EXPECT_FALSE(UnHttp::Baixa("http" + sEndereco.substr(5) + "/a.exe", pasta / "d.exe"));
  EXPECT_EQ(servidor.Pedidos().size(), 3u);
}
