// Windows file-name wildcard matching and the case-insensitive order of the file list.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/UnMascara.h"

using UnMascara::CombinaMascara;

TEST(Mascara, MascarasDosProcessadores) {
  EXPECT_TRUE(CombinaMascara("abc-ret.xml", "*.xml"));
  EXPECT_FALSE(CombinaMascara("abc-ret.xmlx", "*.xml"));
  EXPECT_TRUE(CombinaMascara("x-pro-rec.err", "*-rec.err*"));
  EXPECT_TRUE(CombinaMascara("x-rec.err.bak", "*-rec.err*"));
  EXPECT_FALSE(CombinaMascara("x-rec.er", "*-rec.err*"));
  EXPECT_TRUE(CombinaMascara("CTe35120612345678000190570010000000011000000010-num-lot.xml",
                             "CTe*-num-lot.xml*"));
  EXPECT_TRUE(CombinaMascara("cte123-NUM-LOT.XML", "CTe*-num-lot.xml*"));
  EXPECT_TRUE(CombinaMascara("CTe-num-lot.xml.old", "CTe*-num-lot.xml*"));
  EXPECT_FALSE(CombinaMascara("xCTe1-num-lot.xml", "CTe*-num-lot.xml*"));
  EXPECT_TRUE(CombinaMascara("123456789012345-pro-rec.xml", "*-pro-rec.xml*"));
  EXPECT_TRUE(CombinaMascara("lote-env-loterps.err", "*env-loterps.err*"));
  EXPECT_TRUE(CombinaMascara("abc-cte.err", "*cte.err*"));
}

TEST(Mascara, CoringasEMaiusculas) {
  EXPECT_TRUE(CombinaMascara("", "*"));
  EXPECT_TRUE(CombinaMascara("a", "*"));
  EXPECT_TRUE(CombinaMascara("", ""));
  EXPECT_FALSE(CombinaMascara("a", ""));
  EXPECT_FALSE(CombinaMascara("", "?"));
  EXPECT_TRUE(CombinaMascara("abc", "a?c"));
  EXPECT_FALSE(CombinaMascara("ac", "a?c"));
  EXPECT_FALSE(CombinaMascara("abbc", "a?c"));
  EXPECT_TRUE(CombinaMascara("abc", "???"));
  EXPECT_TRUE(CombinaMascara("aXbXc", "a*b*c"));
  EXPECT_TRUE(CombinaMascara("abcbc", "*bc"));
  EXPECT_TRUE(CombinaMascara("ab", "a**b"));
  EXPECT_TRUE(CombinaMascara("MiXeD.TxT", "mixed.txt"));
  // Only a to z fold; other bytes compare exactly.
  EXPECT_FALSE(CombinaMascara("\xC3\x87", "\xC3\xA7"));
  EXPECT_TRUE(CombinaMascara("a_b", "A_B"));
  EXPECT_FALSE(CombinaMascara("a_b", "A[B"));
}

TEST(Mascara, MascaraHostilTerminaSemRetrocessoExponencial) {
  const std::string nome(20000, 'a');
  EXPECT_FALSE(CombinaMascara(nome, "*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*b"));
  EXPECT_TRUE(CombinaMascara(nome + "b", "*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*b"));
  EXPECT_FALSE(CombinaMascara(nome, std::string(5000, '*') + "b"));
}

TEST(Mascara, MaiusculasAsciiTrocaSoLetrasAZ) {
  EXPECT_EQ(UnMascara::MaiusculasAscii("quelvixEmpresa.exe"), "QUELVIXEMPRESA.EXE");
  EXPECT_EQ(UnMascara::MaiusculasAscii("a\xC3\xA7z{}@`"), "A\xC3\xA7Z{}@`");
}

TEST(Mascara, OrdemSemCaixaETotal) {
  std::vector<std::string> nomes{"b.xml", "A.xml", "a.xml", "C.xml", "_x", "B.XML", "a"};
  std::sort(nomes.begin(), nomes.end(), [](const std::string& a, const std::string& b) {
    return UnMascara::MenorSemCaixa(a, b);
  });
  // Letters fold to upper case before comparing, so "_" (after "Z") follows the letters.
  const std::vector<std::string> esperado{"a", "A.xml", "a.xml", "B.XML", "b.xml", "C.xml", "_x"};
  EXPECT_EQ(nomes, esperado);
  EXPECT_FALSE(UnMascara::MenorSemCaixa("abc", "abc"));
  EXPECT_NE(UnMascara::MenorSemCaixa("abc", "ABC"), UnMascara::MenorSemCaixa("ABC", "abc"));
}
