// The folder tree and text functions the statements and file names are built with.
#include <gtest/gtest.h>

#include "processing/UnFuncoesCTe.h"
#include "suporte/PastaTemporaria.h"

using namespace UnFuncoesCTe;

TEST(FuncoesCTe, PastasDaArvoreDaEmpresa) {
  EXPECT_EQ(RetornaPastaCTe(12, "/r/", "X"), "/r/X/Retorno/OK/");
  EXPECT_EQ(RetornaPastaCTe(3, "/r/", "X"), "/r/X/Retorno/");
  EXPECT_EQ(RetornaPastaCTe(5, "/r/", "X"), "/r/X/Erro/");
  EXPECT_EQ(RetornaPastaCTe(9, "/r/", "X"), "/r/X/Enviado/Autorizados/");
  EXPECT_EQ(RetornaPastaCTe(1, "/r/", "X"), "/r/X/Envio/");
  // Codes without a folder give the company folder instead of reading past the table.
  EXPECT_EQ(RetornaPastaCTe(7, "/r/", "X"), "/r/X/");
  EXPECT_EQ(RetornaPastaCTe(13, "/r/", "X"), "/r/X/");
  EXPECT_EQ(RetornaPastaCTe(-1, "/r/", "X"), "/r/X/");
}

TEST(FuncoesCTe, PreencheZerosReplicaESeEntao) {
  EXPECT_EQ(PreencheZeros(" 42 ", 15), "000000000000042");
  EXPECT_EQ(PreencheZeros("", 3), "000");
  EXPECT_EQ(PreencheZeros("123456", 4), "3456");
  EXPECT_EQ(PreencheZeros("12a", 5), "0012a");
  EXPECT_EQ(PreencheZeros("\t7\r\n", 2), "07");
  EXPECT_EQ(ReplicaTexto("ab", 3), "ababab");
  EXPECT_EQ(ReplicaTexto("ab", 0), "");
  EXPECT_EQ(ReplicaTexto("ab", -2), "");
  EXPECT_EQ(SeEntao(true, "a", "b"), "a");
  EXPECT_EQ(SeEntao(false, "a", "b"), "b");
}

TEST(FuncoesCTe, TextoDataCortaOFormatoDaAutoridade) {
  EXPECT_EQ(TextoData("2012-06-05T10:11:12"), "05.06.2012 10:11:12");
  EXPECT_EQ(TextoData("2013-05-21T10:20:30-03:00"), "21.05.2013 10:20:30");
  EXPECT_EQ(TextoData(""), ".. ");
  EXPECT_EQ(TextoData("2012-06"), ".06.2012 ");
}

TEST(FuncoesCTe, ContadorComSeparadorDeMilhar) {
  EXPECT_EQ(FormataContador(0, "."), "0");
  EXPECT_EQ(FormataContador(999, "."), "999");
  EXPECT_EQ(FormataContador(1000, "."), "1.000");
  EXPECT_EQ(FormataContador(1234567, "."), "1.234.567");
  EXPECT_EQ(FormataContador(-1234, "."), "-1.234");
  EXPECT_EQ(FormataContador(-999, "."), "-999");
  EXPECT_EQ(FormataContador(2147483647, ","), "2,147,483,647");
}

TEST(FuncoesCTe, SoDigitosEntramSemAspas) {
  EXPECT_EQ(Numero("0012"), "0012");
  EXPECT_EQ(NumeroOuNull(""), "null");
  EXPECT_THROW(Numero(""), EValorInvalido);
  EXPECT_THROW(Numero("1 where 1=1 --"), EValorInvalido);
  EXPECT_THROW(Numero(" 100"), EValorInvalido);
  EXPECT_THROW(NumeroOuNull("-1"), EValorInvalido);
  EXPECT_THROW(NumeroOuNull("1e3"), EValorInvalido);
}

TEST(FuncoesCTe, ArquivoCTePeloNomeOuPeloElementoRaiz) {
  PastaTemporaria p;
  // The name decides first, even for a file that does not exist.
  EXPECT_TRUE(EhArquivoCTe(p / "Recte.txt"));
  EXPECT_FALSE(EhArquivoCTe(p / "000000000000001-rec.xml"));

  const std::string ns = "http://www.portalfiscal.inf.br/cte";
  EscreveArquivo(p / "umalinha-rec.xml", "<retConsReciCTe xmlns=\"" + ns + "\"><cStat>103</cStat>");
  EXPECT_TRUE(EhArquivoCTe(p / "umalinha-rec.xml"));
  // A declaration on a line of its own, a byte-order mark and a comment before the root.
  EscreveArquivo(p / "declaracao-rec.xml", "\xEF\xBB\xBF<?xml version=\"1.0\"?>\r\n<!-- x -->\n\t<ret\n xmlns=\"" + ns + "\">\n</ret>");
  EXPECT_TRUE(EhArquivoCTe(p / "declaracao-rec.xml"));
  // Another namespace, or the CT-e namespace only below the root, is not a CT-e answer.
  EscreveArquivo(p / "nfe-rec.xml", "<retConsReciNFe xmlns=\"http://www.portalfiscal.inf.br/nfe\"><x xmlns=\"" + ns + "\"/></retConsReciNFe>");
  EXPECT_FALSE(EhArquivoCTe(p / "nfe-rec.xml"));
  EscreveArquivo(p / "maiusculas-rec.xml", "<ret xmlns=\"HTTP://WWW.PORTALFISCAL.INF.BR/CTE\"/>");
  EXPECT_FALSE(EhArquivoCTe(p / "maiusculas-rec.xml"));
  EscreveArquivo(p / "lixo-rec.xml", "\x01\x02 not xml at all");
  EXPECT_FALSE(EhArquivoCTe(p / "lixo-rec.xml"));
  EscreveArquivo(p / "comentario-aberto-rec.xml", "<!-- never closed <ret xmlns=\"" + ns + "\"/>");
  EXPECT_FALSE(EhArquivoCTe(p / "comentario-aberto-rec.xml"));
}

TEST(FuncoesCTe, ArquivoCTePelaChaveDeAcessoNoNome) {
  PastaTemporaria p;
  // State, year and month, CNPJ, model, then series, number, emission type, code and digit.
  const auto Chave = [](const std::string& cnpj, const std::string& modelo) {
    return "352606" + cnpj + modelo + "0010000012341000012345";
  };
  for (const char* modelo : {"57", "67", "64"}) {
    EXPECT_TRUE(EhArquivoCTe(p / (Chave("12345678000199", modelo) + "-sit.err"))) << modelo;
    EXPECT_TRUE(EhArquivoCTe(p / (Chave("12345678000199", modelo) + "_01-eve.err"))) << modelo;
  }
  // Capital letters in the CNPJ's first twelve characters since the alphanumeric CNPJ.
  EXPECT_TRUE(EhArquivoCTe(p / (Chave("1ABCD2EF000135", "57") + "-pro-rec.err")));
  // NF-e and MDF-e answers share the folder; neither is a CT-e file.
  EXPECT_FALSE(EhArquivoCTe(p / (Chave("12345678000199", "55") + "-sit.err")));
  EXPECT_FALSE(EhArquivoCTe(p / (Chave("12345678000199", "58") + "-sit.err")));
  // Letters elsewhere, small letters, or one character short: no access key.
  EXPECT_FALSE(EhArquivoCTe(p / (Chave("1abcd2ef000135", "57") + "-sit.err")));
  EXPECT_FALSE(EhArquivoCTe(p / (Chave("1ABCD2EF0001AB", "57") + "-sit.err")));
  EXPECT_FALSE(EhArquivoCTe(p / (Chave("12345678000199", "57").substr(1) + "-sit.err")));
}

TEST(FuncoesCTe, CriaPastasSoSobUmaRaizQueExiste) {
  PastaTemporaria p;
  CriaPastasCTe(p / "naoexiste/", "123");
  EXPECT_FALSE(Existe(p / "naoexiste"));
  CriaPastasCTe(p.Caminho() + "/", "123");
  for (const char* sub : {"Envio", "Retorno", "Retorno/OK", "Erro"})
    EXPECT_TRUE(Existe(p / (std::string("123/") + sub))) << sub;
  EXPECT_FALSE(Existe(p / "123/Enviado"));
}
