// Exclusive locks: one monitor per session, one pass per company folder.
#include <gtest/gtest.h>

#include "platform/UnTrava.h"
#include "suporte/PastaTemporaria.h"

using UnTrava::Trava;

TEST(Trava, SegundaTravaNoMesmoArquivoEncontraOcupada) {
  PastaTemporaria pasta;
  const std::string arquivo = pasta / "monitor.trava";
  Trava primeira, segunda;
  EXPECT_EQ(primeira.Obtem(arquivo), Trava::Resultado::Obtida);
  EXPECT_TRUE(Existe(arquivo));
  EXPECT_EQ(segunda.Obtem(arquivo), Trava::Resultado::Ocupada);
  primeira.Libera();
  EXPECT_EQ(segunda.Obtem(arquivo), Trava::Resultado::Obtida);
  // Another file is another lock.
  EXPECT_EQ(primeira.Obtem(pasta / "empresa.trava"), Trava::Resultado::Obtida);
}

TEST(Trava, DestrutorLiberaETravaImpossivel) {
  PastaTemporaria pasta;
  const std::string arquivo = pasta / "monitor.trava";
  {
    Trava t;
    ASSERT_EQ(t.Obtem(arquivo), Trava::Resultado::Obtida);
  }
  Trava t;
  EXPECT_EQ(t.Obtem(arquivo), Trava::Resultado::Obtida);
  // Taking another lock gives up the one held.
  EXPECT_EQ(t.Obtem(pasta / "outra.trava"), Trava::Resultado::Obtida);
  Trava outra;
  EXPECT_EQ(outra.Obtem(arquivo), Trava::Resultado::Obtida);
  Trava semPasta;
  EXPECT_EQ(semPasta.Obtem(pasta / "falta/monitor.trava"), Trava::Resultado::Impossivel);
  semPasta.Libera();  // nothing held: no effect
}
