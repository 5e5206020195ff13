// The wait for a processing-result file the transmitter may still be writing.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "platform/UnArquivos.h"
#include "platform/UnLocalidade.h"
#include "processing/UnEsperaArquivo.h"
#include "suporte/PastaTemporaria.h"

using UnEsperaArquivo::AguardaGravacaoAssentada;
using UnEsperaArquivo::GravacaoAssentada;

namespace {

void DefineGravacao(const std::string& caminho, std::chrono::seconds deslocamento) {
  std::filesystem::last_write_time(caminho,
                                   std::filesystem::file_time_type::clock::now() + deslocamento);
}

}  // namespace

TEST(EsperaArquivo, IdadeDaUltimaGravacao) {
  EXPECT_FALSE(GravacaoAssentada(1000, 1000));
  EXPECT_FALSE(GravacaoAssentada(1000, 3999));
  EXPECT_TRUE(GravacaoAssentada(1000, 4000));
  EXPECT_TRUE(GravacaoAssentada(1000, 90000));
  EXPECT_FALSE(GravacaoAssentada(5000, 1000));  // written "later" than now
}

TEST(EsperaArquivo, ArquivoAntigoOuAusenteNaoEspera) {
  PastaTemporaria pasta;
  const std::string antigo = pasta / "123-pro-rec.xml";
  EscreveArquivo(antigo, "<a/>");
  DefineGravacao(antigo, std::chrono::seconds(-60));
  int chamadas = 0;
  AguardaGravacaoAssentada(antigo, [&] { ++chamadas; });
  AguardaGravacaoAssentada(pasta / "nao-existe-pro-rec.xml", [&] { ++chamadas; });
  EXPECT_EQ(chamadas, 0);
}

TEST(EsperaArquivo, ArquivoRecenteEsperaComMensagens) {
  PastaTemporaria pasta;
  const std::string recente = pasta / "123-pro-rec.xml";
  EscreveArquivo(recente, "<a/>");
  int chamadas = 0;
  AguardaGravacaoAssentada(recente, [&] { ++chamadas; });
  EXPECT_GT(chamadas, 0);
  EXPECT_TRUE(GravacaoAssentada(*UnArquivos::DataUltimaGravacao(recente),
                                UnLocalidade::AgoraMilissegundos()));
}

TEST(EsperaArquivo, RelogioAdiantadoDoServidorNaoPrendeOPasso) {
  PastaTemporaria pasta;
  const std::string futuro = pasta / "123-pro-rec.xml";
  EscreveArquivo(futuro, "<a/>");
  DefineGravacao(futuro, std::chrono::hours(1));
  int chamadas = 0;
  AguardaGravacaoAssentada(futuro, [&] { ++chamadas; });
  EXPECT_GT(chamadas, 0);
  EXPECT_FALSE(GravacaoAssentada(*UnArquivos::DataUltimaGravacao(futuro),
                                 UnLocalidade::AgoraMilissegundos()));
}
