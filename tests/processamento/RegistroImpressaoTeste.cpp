// The record of authorisations to print, as a later run reads it back.
#include <gtest/gtest.h>

#include "platform/UnArquivos.h"
#include "processing/UnRegistroImpressao.h"
#include "suporte/PastaTemporaria.h"

using UnRegistroImpressao::TRegistroImpressao;

TEST(RegistroImpressao, GuardaPendentesEsqueceImpressasAntigasEPulaLinhasDanificadas) {
  PastaTemporaria pasta;
  const std::string empresa = pasta.Caminho() + "/";
  int64_t agora = 1780000000000;
  const auto Registro = [&] {
    TRegistroImpressao r;
    r.Relogio = [&] { return agora; };
    r.Carrega(empresa);
    return r;
  };
  TRegistroImpressao r = Registro();
  r.MarcaPendente("chave-a", "1", 10);
  r.MarcaImpressa("chave-a", "1");
  r.MarcaPendente("chave-b", "2", 20);
  agora += 8LL * 24 * 60 * 60 * 1000;
  r.MarcaPendente("chave-c", "3", 30);
  r.MarcaImpressa("chave-c", "3");
  UnArquivos::AcrescentaArquivo(empresa + "MonitorCTe-impressao.txt", "I|meia linha\nP|x|y|z|1\n");

  const TRegistroImpressao lido = Registro();
  EXPECT_FALSE(lido.Conhecida("chave-a", "1"));  // printed more than a week ago
  EXPECT_TRUE(lido.Conhecida("chave-c", "3"));
  EXPECT_FALSE(lido.Conhecida("chave-c", "4"));  // another protocol is another authorisation
  const auto pendentes = lido.Pendentes();
  ASSERT_EQ(pendentes.size(), 1u);  // a pending one is kept however old
  EXPECT_EQ(pendentes[0].sChave, "chave-b");
  EXPECT_EQ(pendentes[0].sProtocolo, "2");
  EXPECT_EQ(pendentes[0].iID_CTe, 20);
}
