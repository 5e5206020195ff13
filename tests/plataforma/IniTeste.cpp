// Initialisation files read as GetPrivateProfileStringW reads them.
#include <gtest/gtest.h>

#include <string>

#include "platform/UnIni.h"
#include "suporte/PastaTemporaria.h"

using UnIni::LeIni;
using UnIni::LeIniTexto;

namespace {

std::string Le(const std::string& conteudo, const std::string& secao, const std::string& chave) {
  return LeIniTexto(conteudo, secao, chave, "<padrao>");
}

// UTF-16 as Notepad writes it: the byte-order mark, then each character in two bytes.
std::string Utf16(const std::u16string& texto, bool bigEndian) {
  std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (const char16_t c : texto) {
    const char alto = static_cast<char>(c >> 8), baixo = static_cast<char>(c & 0xFF);
    bytes += bigEndian ? alto : baixo;
    bytes += bigEndian ? baixo : alto;
  }
  return bytes;
}

}  // namespace

TEST(Ini, ArquivoDoErpESeuServidor) {
  const std::string ini =
      "[IniServidor]\r\n"
      "nomearquivo=\\\\servidor\\quelvix;dados\\Servidor.ini\r\n"
      "\r\n"
      "[Database]\r\n"
      "Servidor=192.168.0.10\r\n"
      "path=C:\\quelvix\\Dados\\\r\n"
      "name=QUELVIX.FDB\r\n";
  // A ";" inside a value is part of it.
  EXPECT_EQ(Le(ini, "IniServidor", "nomearquivo"), "\\\\servidor\\quelvix;dados\\Servidor.ini");
  EXPECT_EQ(Le(ini, "Database", "Servidor"), "192.168.0.10");
  EXPECT_EQ(Le(ini, "Database", "path"), "C:\\quelvix\\Dados\\");
  EXPECT_EQ(Le(ini, "Database", "name"), "QUELVIX.FDB");
}

TEST(Ini, NomesSemCaixaEBrancosAparados) {
  const std::string ini = "  [ dataBASE ]  \n\t Path \t=\t C:\\x\\ \t\nNAME= a b \n";
  EXPECT_EQ(Le(ini, "Database", "path"), "C:\\x\\");
  EXPECT_EQ(Le(ini, "DATABASE", "name"), "a b");
  EXPECT_EQ(Le(ini, "database", "PATH"), "C:\\x\\");
}

TEST(Ini, AusentesDaoOPadrao) {
  const std::string ini = "[Database]\nServidor=\nname\n[Outra]\nx=1\n";
  EXPECT_EQ(Le(ini, "Database", "Servidor"), "");  // present and empty is not missing
  EXPECT_EQ(Le(ini, "Database", "path"), "<padrao>");
  EXPECT_EQ(Le(ini, "Database", "name"), "<padrao>");  // a line without "="
  EXPECT_EQ(Le(ini, "Falta", "x"), "<padrao>");
  EXPECT_EQ(Le(ini, "Database", "x"), "<padrao>");  // the key of another section
  EXPECT_EQ(Le("", "Database", "name"), "<padrao>");
  EXPECT_EQ(LeIniTexto(ini, "Falta", "x", ""), "");
}

TEST(Ini, ComentariosSoNoInicioDaLinha) {
  const std::string ini =
      "; comment\n[Database]\n;name=comentado\n   ; path=x\nname=a ; b\n#path=y\n";
  EXPECT_EQ(Le(ini, "Database", "name"), "a ; b");
  EXPECT_EQ(Le(ini, "Database", "path"), "<padrao>");
  EXPECT_EQ(Le(ini, "Database", "#path"), "y");
  EXPECT_EQ(Le(ini, "Database", ";name"), "<padrao>");
}

TEST(Ini, AspasEnvolventesSaem) {
  const std::string ini =
      "[S]\na=\"C:\\com espaco\\\"\nb='simples'\nc=\"misturadas'\nd=\"\ne=\"\"\nf=x\"y\"\n"
      "g= \"  dentro  \" \nh=\"a\"b\"\n";
  EXPECT_EQ(Le(ini, "S", "a"), "C:\\com espaco\\");
  EXPECT_EQ(Le(ini, "S", "b"), "simples");
  EXPECT_EQ(Le(ini, "S", "c"), "\"misturadas'");
  EXPECT_EQ(Le(ini, "S", "d"), "\"");
  EXPECT_EQ(Le(ini, "S", "e"), "");
  EXPECT_EQ(Le(ini, "S", "f"), "x\"y\"");
  EXPECT_EQ(Le(ini, "S", "g"), "  dentro  ");
  EXPECT_EQ(Le(ini, "S", "h"), "a\"b");
}

TEST(Ini, PrimeiraSecaoEPrimeiraChaveValem) {
  const std::string ini = "[S]\nk=primeira\nk=segunda\nK=terceira\n[s]\nk=outra\nj=so-na-segunda\n";
  EXPECT_EQ(Le(ini, "S", "k"), "primeira");
  // Only the first section of a name is searched.
  EXPECT_EQ(Le(ini, "S", "j"), "<padrao>");
}

TEST(Ini, ValorComIgualESemSecoes) {
  EXPECT_EQ(Le("[S]\nk==a=b\n", "S", "k"), "=a=b");
  EXPECT_EQ(Le("[S]\n k = \n", "S", "k"), "");
  // Keys before any section belong to none.
  EXPECT_EQ(Le("k=v\nj=w\n", "S", "k"), "<padrao>");
  EXPECT_EQ(Le("k=v\n[S\nk=w\n", "S", "k"), "<padrao>");
  EXPECT_EQ(Le("[S]x\nk=w", "S", "k"), "w");  // no line break at the end
}

TEST(Ini, FinsDeLinhaEMarcasDeOrdem) {
  EXPECT_EQ(Le("[S]\r\nk=v\r\nj=w", "S", "k"), "v");
  EXPECT_EQ(Le("[S]\nk=v\nj=w\n", "S", "j"), "w");
  EXPECT_EQ(Le("\xEF\xBB\xBF[S]\r\nk=v\r\n", "S", "k"), "v");
  const std::u16string texto =
      u"[IniServidor]\r\nnomearquivo=C:\\Sistemas\\Configura\u00E7\u00E3o.ini\r\n";
  EXPECT_EQ(Le(Utf16(texto, false), "IniServidor", "nomearquivo"),
            "C:\\Sistemas\\Configura\xC3\xA7\xC3\xA3o.ini");
  EXPECT_EQ(Le(Utf16(texto, true), "IniServidor", "nomearquivo"),
            "C:\\Sistemas\\Configura\xC3\xA7\xC3\xA3o.ini");
  // An odd trailing byte and a lone surrogate do no harm.
  EXPECT_EQ(Le(Utf16(u"[S]\nk=\xD800v\n", false) + "x", "S", "k"), "\xEF\xBF\xBDv");
}

TEST(Ini, SemMarcaEmAnsiDaEstacao) {
  // Not valid UTF-8: the Windows-1252 bytes of "Configuração" and of the euro sign.
  EXPECT_EQ(Le("[S]\nk=Configura\xE7\xE3o \x80\n", "S", "k"),
            "Configura\xC3\xA7\xC3\xA3o \xE2\x82\xAC");
  EXPECT_EQ(Le("[S]\nk=Configura\xC3\xA7\xC3\xA3o\n", "S", "k"), "Configura\xC3\xA7\xC3\xA3o");
}

TEST(Ini, ValorCortadoNoTamanhoDoBuffer) {
  const std::string longo(5000, 'x');
  EXPECT_EQ(Le("[S]\nk=" + longo + "\n", "S", "k"), std::string(UnIni::TAMANHO_BUFFER - 1, 'x'));
  EXPECT_EQ(Le("[S]\nk=" + std::string(2047, 'y') + "\n", "S", "k"), std::string(2047, 'y'));
  // The cut counts characters, never splitting one.
  std::string acentos;
  for (int i = 0; i < 3000; ++i) acentos += "\xC3\xA7";
  const std::string lido = Le("[S]\nk=" + acentos + "\n", "S", "k");
  EXPECT_EQ(lido.size(), 2047u * 2);
  EXPECT_EQ(lido.substr(lido.size() - 2), "\xC3\xA7");
}

TEST(Ini, ConteudoGrandeOuEstranhoNaoQuebra) {
  std::string grande;
  for (int i = 0; i < 200000; ++i) grande += "chave" + std::to_string(i) + "=valor\n";
  EXPECT_EQ(Le("[S]\n" + grande + "fim=sim\n", "S", "fim"), "sim");
  EXPECT_EQ(Le(std::string(4 << 20, '['), "S", "k"), "<padrao>");
}

TEST(Ini, LeDoArquivo) {
  PastaTemporaria pasta;
  EscreveArquivo(pasta / "quelvixempresa.ini",
                 "[IniServidor]\r\nnomearquivo=/dados/Servidor.ini\r\n");
  EXPECT_EQ(LeIni(pasta / "quelvixempresa.ini", "IniServidor", "nomearquivo", ""),
            "/dados/Servidor.ini");
  EXPECT_EQ(LeIni(pasta / "falta.ini", "IniServidor", "nomearquivo", "p"), "p");
  EXPECT_EQ(LeIni(pasta.Caminho(), "IniServidor", "nomearquivo", "p"), "p");
}
