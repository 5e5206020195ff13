// The class of every error the monitor meets, by the whole status vector and never by text
// that came from an answer file.
#include <gtest/gtest.h>

#include <new>

#include "database/UnFirebird.h"
#include "platform/UnXml.h"
#include "processing/UnClassesErro.h"
#include "processing/UnFuncoesCTe.h"

using UnClassesErro::ClasseErro;
using UnClassesErro::ClassificaErro;

namespace {

ClasseErro DoBanco(std::vector<long> codigos, const std::string& mensagem = "erro") {
  return ClassificaErro(UnFirebird::EIBError("EIBInterBaseError", mensagem, std::move(codigos)));
}

}  // namespace

TEST(ClassesErro, CadaCodigoDaListaESuaClasse) {
  const std::pair<long, ClasseErro> CASOS[] = {
      {335544324, ClasseErro::ConexaoPerdida}, {335544375, ClasseErro::ConexaoPerdida},
      {335544528, ClasseErro::ConexaoPerdida}, {335544648, ClasseErro::ConexaoPerdida},
      {335544704, ClasseErro::ConexaoPerdida}, {335544719, ClasseErro::ConexaoPerdida},
      {335544721, ClasseErro::ConexaoPerdida}, {335544722, ClasseErro::ConexaoPerdida},
      {335544723, ClasseErro::ConexaoPerdida}, {335544724, ClasseErro::ConexaoPerdida},
      {335544725, ClasseErro::ConexaoPerdida}, {335544726, ClasseErro::ConexaoPerdida},
      {335544727, ClasseErro::ConexaoPerdida}, {335544741, ClasseErro::ConexaoPerdida},
      {335544856, ClasseErro::ConexaoPerdida}, {335544917, ClasseErro::ConexaoPerdida},
      {335544971, ClasseErro::ConexaoPerdida}, {335544975, ClasseErro::ConexaoPerdida},
      {335544336, ClasseErro::ConflitoLinha},  {335544345, ClasseErro::ConflitoLinha},
      {335544451, ClasseErro::ConflitoLinha},  {335544510, ClasseErro::ConflitoLinha},
      {335544321, ClasseErro::Recusa},         {335544334, ClasseErro::Recusa},
      {335544347, ClasseErro::Recusa},         {335544349, ClasseErro::Recusa},
      {335544466, ClasseErro::Recusa},         {335544558, ClasseErro::Recusa},
      {335544565, ClasseErro::Recusa},         {335544634, ClasseErro::Recusa},
      {335544665, ClasseErro::Recusa},         {335544810, ClasseErro::Recusa},
      {335544849, ClasseErro::Recusa},         {335544879, ClasseErro::Recusa},
      {335544880, ClasseErro::Recusa},         {335544913, ClasseErro::Recusa},
      {335544914, ClasseErro::Recusa},         {335544916, ClasseErro::Recusa},
      {335545012, ClasseErro::Recusa},
      // Unlisted: a trigger's own exception, a corrupt page. Whether the database still
      // answers decides.
      {335544517, ClasseErro::Indefinida},     {335544335, ClasseErro::Indefinida},
  };
  for (const auto& [codigo, classe] : CASOS) {
    SCOPED_TRACE(codigo);
    EXPECT_EQ(DoBanco({codigo}), classe);
    EXPECT_EQ(DoBanco({335544569, codigo}), classe);  // anywhere in the vector
  }
}

TEST(ClassesErro, TextosDeConexaoSoDepoisDosCodigosESoNaMensagemDoMotor) {
  // The old texts still mean a lost connection from a client that gives no network code.
  EXPECT_EQ(DoBanco({}, "Unable to complete network request to host \"x\""),
            ClasseErro::ConexaoPerdida);
  EXPECT_EQ(DoBanco({335544569}, "Error reading data from the connection"),
            ClasseErro::ConexaoPerdida);
  // A value quoted from a file, or a trigger's own text, never ends the monitor.
  EXPECT_EQ(DoBanco({335544334}, "conversion error from string \"Error reading data\""),
            ClasseErro::Recusa);
  EXPECT_EQ(DoBanco({335544517, 335545016}, "exception 1 E_X Error reading data"),
            ClasseErro::Indefinida);
  EXPECT_EQ(ClassificaErro(UnXml::EXmlErro("Error reading data")), ClasseErro::Recusa);
  EXPECT_EQ(ClassificaErro(std::runtime_error("Unable to complete network request to host")),
            ClasseErro::Indefinida);
}

TEST(ClassesErro, SoOXmlMalFormadoEArquivoQuebrado) {
  EXPECT_EQ(ClassificaErro(UnXml::EXmlErro("XML mal formado", true)), ClasseErro::Quebrado);
  EXPECT_EQ(ClassificaErro(UnXml::EXmlErro("Leitura em elemento XML inexistente")),
            ClasseErro::Recusa);
  EXPECT_EQ(ClassificaErro(UnFuncoesCTe::EValorInvalido("Valor inválido")), ClasseErro::Recusa);
  EXPECT_EQ(ClassificaErro(std::bad_alloc()), ClasseErro::Indefinida);
  // The reader says which: an empty file and a cut one are not well-formed, a missing element
  // in a whole document is not the file's breakage.
  UnXml::XmlDocumento doc;
  for (const char* texto : {"", "<a><b>", "<a></b>"}) {
    try {
      doc.CarregaTexto(texto);
      ADD_FAILURE() << texto;
    } catch (const UnXml::EXmlErro& erro) {
      EXPECT_TRUE(erro.MalFormado()) << texto;
    }
  }
  doc.CarregaTexto("<a/>");
  try {
    doc.ElementoDocumento().ElementoFilho("b").TextoFilho("c");
    ADD_FAILURE();
  } catch (const UnXml::EXmlErro& erro) {
    EXPECT_FALSE(erro.MalFormado());
  }
}
