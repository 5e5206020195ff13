// What MSXML 6 refuses as the answer files' parser, beside the shared XML suite.
#include <gtest/gtest.h>

#include <string>

#include "platform/UnXml.h"
#include "suporte/PastaTemporaria.h"
#include "win32/UnWine.h"

using UnXml::EXmlErro;
using UnXml::XmlDocumento;

TEST(XmlMsxml, MalFormadoFalhaComONomeEEsvaziaODocumento) {
  PastaTemporaria pasta;
  for (const std::string conteudo :
       {"", "   \r\n", "so texto", "<a><b></a></b>", "<a/><b/>", "<a>x & y</a>",
        "<a>&desconhecida;</a>", "<a>&#0;</a>", "<a x=\"1\" x=\"2\"/>",
        " <?xml version=\"1.0\"?><a/>",
        "<!DOCTYPE a [<!ENTITY e \"x\">]><a>&e;</a>"}) {
    SCOPED_TRACE(conteudo);
    EscreveArquivo(pasta / "ruim-sit.xml", conteudo);
    XmlDocumento doc;
    doc.CarregaTexto("<ok/>");
    try {
      doc.Carrega(pasta / "ruim-sit.xml");
      ADD_FAILURE() << "loaded";
    } catch (const EXmlErro& erro) {
      EXPECT_NE(std::string(erro.what()).find("ruim-sit.xml"), std::string::npos) << erro.what();
    }
    EXPECT_FALSE(doc.ElementoDocumento().Existe());
  }
}

TEST(XmlMsxml, CodificacaoDoProprioArquivo) {
  XmlDocumento doc;
  // Windows-1252 declared by the file, and UTF-16 with its byte-order mark.
  doc.CarregaTexto("<?xml version=\"1.0\" encoding=\"windows-1252\"?><a><b>S\xE3o Paulo</b></a>");
  EXPECT_EQ(doc.ElementoDocumento().TextoFilho("b"), "São Paulo");
  const std::string utf16("\xFF\xFE<\0a\0>\0\xE7\0<\0/\0a\0>\0", 18);
  doc.CarregaTexto(utf16);
  EXPECT_EQ(doc.ElementoDocumento().Texto(), "ç");
}

TEST(XmlMsxml, PrefixoNaoDeclarado) {
  // Wine's msxml keeps such a document (an element's prefix is dropped, an attribute's kept
  // without a namespace); Windows' MSXML 6 refuses it.
  if (SobWine()) GTEST_SKIP() << "Wine's msxml accepts undeclared prefixes";
  XmlDocumento doc;
  EXPECT_THROW(doc.CarregaTexto("<ds:a/>"), EXmlErro);
  EXPECT_THROW(doc.CarregaTexto("<a><p:b/></a>"), EXmlErro);
  EXPECT_THROW(doc.CarregaTexto("<a p:x=\"1\"/>"), EXmlErro);
}
