// The XML document as the processors read answer files: the shapes the transmitter and the
// authority produce, namespace-aware child names, and what is refused.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/UnXml.h"
#include "suporte/PastaTemporaria.h"

using UnXml::EXmlErro;
using UnXml::XmlDocumento;
using UnXml::XmlElemento;

namespace {

const std::string NS_CTE = "http://www.portalfiscal.inf.br/cte";

const std::string RECIBO_UMA_LINHA =
    "<retConsReciCTe xmlns=\"" + NS_CTE +
    "\" versao=\"3.00\"><tpAmb>2</tpAmb>"
    "<nRec>351000012345678</nRec><cStat>104</cStat><protCTe versao=\"3.00\"><infProt>"
    "<chCTe>35120612345678000190570010000000011000000010</chCTe><cStat>100</cStat>"
    "<nProt>135120000000001</nProt></infProt></protCTe></retConsReciCTe>";

void VerificaRecibo(const XmlDocumento& doc) {
  const XmlElemento raiz = doc.ElementoDocumento();
  ASSERT_TRUE(raiz.Existe());
  EXPECT_EQ(raiz.NomeLocal(), "retConsReciCTe");
  EXPECT_EQ(raiz.TextoFilho("cStat"), "104");
  EXPECT_EQ(raiz.TextoFilho("nRec"), "351000012345678");
  const XmlElemento infProt = raiz.ElementoFilho("protCTe").ElementoFilho("infProt");
  ASSERT_TRUE(infProt.Existe());
  EXPECT_EQ(infProt.TextoFilho("chCTe"), "35120612345678000190570010000000011000000010");
  EXPECT_EQ(infProt.TextoFilho("cStat"), "100");
  EXPECT_EQ(infProt.TextoFilho("nProt"), "135120000000001");
}

XmlElemento Raiz(XmlDocumento& doc, const std::string& conteudo) {
  doc.CarregaTexto(conteudo);
  return doc.ElementoDocumento();
}

}  // namespace

TEST(Xml, FormasDoMesmoRecibo) {
  PastaTemporaria pasta;
  const std::string declaracao = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
  std::string indentado = declaracao + "\r\n";
  for (const char c : RECIBO_UMA_LINHA) {
    if (c == '<' && (indentado.empty() || indentado.back() == '>')) indentado += "\r\n\t\t";
    indentado += c;
  }
  // Re-indented by an editor: line breaks and blanks around every value too.
  std::string valoresIndentados;
  for (const char c : RECIBO_UMA_LINHA) {
    if (c == '<' && !valoresIndentados.empty() && valoresIndentados.back() != '>')
      valoresIndentados += "\r\n\t ";
    if (c != '<' && !valoresIndentados.empty() && valoresIndentados.back() == '>')
      valoresIndentados += "\n  \t";
    valoresIndentados += c;
  }
  std::string repetido = RECIBO_UMA_LINHA;
  repetido.replace(repetido.find("<protCTe "), 9, "<protCTe xmlns=\"" + NS_CTE + "\" ");
  repetido.replace(repetido.find("<infProt>"), 9, "<infProt xmlns=\"" + NS_CTE + "\">");
  for (const std::string& conteudo : {RECIBO_UMA_LINHA, declaracao + RECIBO_UMA_LINHA,
                                      "\xEF\xBB\xBF" + declaracao + RECIBO_UMA_LINHA,
                                      "\xEF\xBB\xBF" + RECIBO_UMA_LINHA, indentado, valoresIndentados,
                                      repetido}) {
    SCOPED_TRACE(conteudo);
    EscreveArquivo(pasta / "123456789012345-pro-rec.xml", conteudo);
    XmlDocumento doc;
    doc.Carrega(pasta / "123456789012345-pro-rec.xml");
    VerificaRecibo(doc);
    XmlDocumento texto;
    texto.CarregaTexto(conteudo);
    VerificaRecibo(texto);
  }
}

TEST(Xml, CodificacoesDeclaradasEMarcaUtf16) {
  XmlDocumento doc;
  EXPECT_EQ(
      Raiz(
          doc,
          "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a><xMotivo>Rejei\xE7\xE3o</xMotivo></a>")
          .TextoFilho("xMotivo"),
      "Rejei\xC3\xA7\xC3\xA3o");
  const std::u16string texto = u"<?xml version=\"1.0\" encoding=\"UTF-16\"?><a><b>\u00E7</b></a>";
  std::string utf16 = "\xFF\xFE";
  for (const char16_t c : texto) {
    utf16 += static_cast<char>(c & 0xFF);
    utf16 += static_cast<char>(c >> 8);
  }
  EXPECT_EQ(Raiz(doc, utf16).TextoFilho("b"), "\xC3\xA7");
}

TEST(Xml, AssinaturaEPrefixoDsFicamNoSeuNamespace) {
  const std::string cteProc =
      "<cteProc xmlns=\"" + NS_CTE +
      "\" xmlns:ds=\"http://www.w3.org/2000/09/xmldsig#\" versao=\"3.00\">"
      "<CTe><infCte Id=\"CTe351206\"><ide><cCT>1</cCT></ide></infCte>"
      "<Signature xmlns=\"http://www.w3.org/2000/09/xmldsig#\"><SignedInfo><Reference URI=\"#x\"/>"
      "</SignedInfo><SignatureValue>abc=</SignatureValue></Signature></CTe>"
      "<ds:Signature><ds:SignatureValue>def=</ds:SignatureValue></ds:Signature>"
      "<protCTe><infProt><cStat>100</cStat></infProt></protCTe></cteProc>";
  XmlDocumento doc;
  const XmlElemento raiz = Raiz(doc, cteProc);
  const XmlElemento cte = raiz.ElementoFilho("CTe");
  ASSERT_TRUE(cte.Existe());
  EXPECT_EQ(cte.ElementoFilho("infCte").ElementoFilho("ide").TextoFilho("cCT"), "1");
  // Signature lives in the signature namespace: not a child of the CT-e namespace.
  EXPECT_FALSE(cte.ElementoFilho("Signature").Existe());
  EXPECT_FALSE(raiz.ElementoFilho("Signature").Existe());
  EXPECT_EQ(raiz.ElementoFilho("protCTe").ElementoFilho("infProt").TextoFilho("cStat"), "100");
  // Within the signature, names resolve in its own namespace, by default or by prefix.
  ASSERT_EQ(cte.QuantidadeFilhos(), 2u);
  const XmlElemento assinatura = cte.Filho(1);
  EXPECT_EQ(assinatura.NomeLocal(), "Signature");
  EXPECT_EQ(assinatura.TextoFilho("SignatureValue"), "abc=");
  EXPECT_TRUE(assinatura.ElementoFilho("SignedInfo").ElementoFilho("Reference").Existe());
  const XmlElemento ds = raiz.Filho(1);
  EXPECT_EQ(ds.NomeLocal(), "Signature");
  EXPECT_EQ(ds.TextoFilho("SignatureValue"), "def=");
}

TEST(Xml, FilhoSoComMesmoNomeLocalENamespace) {
  XmlDocumento doc;
  XmlElemento raiz = Raiz(
      doc, "<a xmlns=\"A\" xmlns:o=\"B\"><o:b>outro</o:b><b xmlns=\"\">vazio</b><b>certo</b></a>");
  EXPECT_EQ(raiz.TextoFilho("b"), "certo");
  raiz = Raiz(doc, "<p:a xmlns:p=\"A\"><q:b xmlns:q=\"A\">mesmo</q:b></p:a>");
  EXPECT_EQ(raiz.TextoFilho("b"), "mesmo");
  raiz = Raiz(doc, "<a><b xmlns=\"X\">com</b><b>sem</b></a>");
  EXPECT_EQ(raiz.TextoFilho("b"), "sem");
  // The name is the local name, never the prefixed one.
  raiz = Raiz(doc, "<p:a xmlns:p=\"A\"><p:b>1</p:b></p:a>");
  EXPECT_EQ(raiz.TextoFilho("p:b"), "");
  EXPECT_EQ(raiz.TextoFilho("b"), "1");
  // Only children: a grandchild of the same name is not found.
  raiz = Raiz(doc, "<a><x><b>neto</b></x></a>");
  EXPECT_FALSE(raiz.ElementoFilho("b").Existe());
  EXPECT_EQ(raiz.TextoFilho("b"), "");
}

TEST(Xml, TextoEFilhosPorPosicao) {
  XmlDocumento doc;
  const XmlElemento raiz =
      Raiz(doc,
           "<retConsSitCTe><!-- c --><cStat>1<![CDATA[<2>]]>3 &lt;&amp;&#233;</cStat>texto<?pi x?>"
           "<protCTe><infProt><nProt>9</nProt></infProt></protCTe><vazio "
           "a=\"&amp;&#x41;\"/></retConsSitCTe>");
  ASSERT_EQ(raiz.QuantidadeFilhos(), 3u);
  EXPECT_EQ(raiz.Filho(0).NomeLocal(), "cStat");
  EXPECT_EQ(raiz.Filho(0).Texto(), "1<2>3 <&\xC3\xA9");
  EXPECT_EQ(raiz.Filho(1).NomeLocal(), "protCTe");
  EXPECT_EQ(raiz.Filho(1).Texto(), "9");
  EXPECT_EQ(raiz.Filho(2).Texto(), "");
  EXPECT_EQ(raiz.Filho(2).QuantidadeFilhos(), 0u);
  EXPECT_FALSE(raiz.Filho(3).Existe());
  EXPECT_EQ(raiz.TextoFilho("vazio"), "");
  EXPECT_TRUE(raiz.ElementoFilho("vazio").Existe());
}

TEST(Xml, LeituraAbaixoDeElementoAusenteFalha) {
  XmlDocumento doc;
  const XmlElemento ausente = Raiz(doc, RECIBO_UMA_LINHA).ElementoFilho("protEvento");
  EXPECT_FALSE(ausente.Existe());
  EXPECT_THROW(ausente.TextoFilho("cStat"), EXmlErro);
  EXPECT_THROW(ausente.ElementoFilho("infProt"), EXmlErro);
  EXPECT_THROW(ausente.QuantidadeFilhos(), EXmlErro);
  EXPECT_THROW(ausente.Filho(0), EXmlErro);
  EXPECT_THROW(ausente.Texto(), EXmlErro);
  EXPECT_THROW(ausente.NomeLocal(), EXmlErro);
  EXPECT_THROW(XmlElemento().TextoFilho("x"), EXmlErro);
  XmlDocumento vazio;
  EXPECT_FALSE(vazio.ElementoDocumento().Existe());
}

TEST(Xml, ArquivoMalFormadoOuAusenteFalhaComONome) {
  PastaTemporaria pasta;
  for (const std::string& conteudo :
       {std::string(), std::string("   \r\n"), std::string("so texto"),
        RECIBO_UMA_LINHA.substr(0, RECIBO_UMA_LINHA.size() - 5), std::string("<a><b></a></b>"),
        std::string("<a/><b/>"), std::string("<a/>depois"), std::string("<a>x & y</a>"),
        std::string("<a>&desconhecida;</a>"), std::string("<a>&#0;</a>"),
        std::string("<a>&#xD800;</a>"), std::string("<a x=\"&amp\"/>"), std::string("<a x=\"<\"/>"),
        std::string("<a x=\"1\" x=\"2\"/>"), std::string("<ds:a/>"), std::string("<a><p:b/></a>"),
        std::string("<a p:x=\"1\"/>"), std::string(" <?xml version=\"1.0\"?><a/>"),
        std::string("<a/><?xml version=\"1.0\"?>")}) {
    SCOPED_TRACE(conteudo);
    EscreveArquivo(pasta / "ruim-sit.xml", conteudo);
    XmlDocumento doc;
    try {
      doc.Carrega(pasta / "ruim-sit.xml");
      ADD_FAILURE() << "loaded";
    } catch (const EXmlErro& erro) {
      EXPECT_NE(std::string(erro.what()).find("ruim-sit.xml"), std::string::npos) << erro.what();
    }
    EXPECT_FALSE(doc.ElementoDocumento().Existe());
    EXPECT_THROW(doc.CarregaTexto(conteudo), EXmlErro);
  }
  XmlDocumento doc;
  EXPECT_THROW(doc.Carrega(pasta / "falta.xml"), EXmlErro);
  EXPECT_THROW(doc.Carrega(pasta.Caminho()), EXmlErro);
}

TEST(Xml, FalhaDeCargaEsvaziaODocumento) {
  XmlDocumento doc;
  doc.CarregaTexto(RECIBO_UMA_LINHA);
  EXPECT_THROW(doc.CarregaTexto("<a>"), EXmlErro);
  EXPECT_FALSE(doc.ElementoDocumento().Existe());
}

TEST(Xml, BombaDeEntidadesNaoExpande) {
  std::string bomba = "<?xml version=\"1.0\"?><!DOCTYPE lolz [<!ENTITY lol \"lol\">";
  for (int i = 1; i <= 9; ++i) {
    bomba += "<!ENTITY lol" + std::to_string(i) + " \"";
    for (int k = 0; k < 10; ++k)
      bomba += "&lol" + (i > 1 ? std::to_string(i - 1) : std::string()) + ";";
    bomba += "\">";
  }
  bomba += "]><lolz><a>&lol9;</a></lolz>";
  XmlDocumento doc;
  try {
    doc.CarregaTexto(bomba);
    // Accepted only when nothing was expanded.
    EXPECT_LT(doc.ElementoDocumento().TextoFilho("a").size(), 1000u);
  } catch (const EXmlErro&) {
  }
}

TEST(Xml, ElementoMantemSeuDocumentoVivo) {
  XmlElemento infProt;
  {
    auto doc = std::make_unique<XmlDocumento>();
    doc->CarregaTexto(RECIBO_UMA_LINHA);
    infProt = doc->ElementoDocumento().ElementoFilho("protCTe").ElementoFilho("infProt");
    doc->CarregaTexto("<outro><cStat>1</cStat></outro>");
    EXPECT_EQ(doc->ElementoDocumento().TextoFilho("cStat"), "1");
  }
  EXPECT_EQ(infProt.TextoFilho("cStat"), "100");
}

TEST(Xml, AninhamentoProfundoNaoEstoura) {
  std::string profundo;
  for (int i = 0; i < 200000; ++i) profundo += "<a>";
  profundo += "x";
  for (int i = 0; i < 200000; ++i) profundo += "</a>";
  XmlDocumento doc;
  try {
    doc.CarregaTexto(profundo);
    EXPECT_EQ(doc.ElementoDocumento().Texto(), "x");
  } catch (const EXmlErro&) {
    // A parser may refuse such depth; it must not crash.
  }
}
