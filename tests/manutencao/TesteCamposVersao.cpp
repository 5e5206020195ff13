// The two version columns of TAB_PARAMETRO on a real embedded database.
#include <gtest/gtest.h>

#include "database/UnCamposVersao.h"
#include "database/UnFirebird.h"
#include "suporte/BancoTeste.h"
#include "suporte/PastaTemporaria.h"

using namespace UnCamposVersao;

namespace {

const char* const CONTA_VERSAO =
    "select count(*) from rdb$relation_fields where rdb$relation_name = 'TAB_PARAMETRO' "
    "and rdb$field_name = 'VERSAO_ERP'";

}  // namespace

TEST(TextosCamposVersao, AreTheAgreedStatements) {
  EXPECT_EQ(std::string(SQL_PRESENCA_VERSAO),
            " sELECT r.* FROM RDB$RELATION_fields r" + std::string(16, ' ') + "where" +
                std::string(48, ' ') +
                "r.RDB$relation_name =" + UnFirebird::QuotedStr("TAB_PARAMETRO") +
                " and  r.RDB$field_name = " + UnFirebird::QuotedStr("VERSAO_ERP"));
  EXPECT_EQ(std::string(SQL_LE_VERSAO),
            " sELECT coalesce(VERSAO_ERP," + UnFirebird::QuotedStr("Versao Inicial") +
                ") as coalesce from  TAB_PARAMETRO" + std::string(12, ' '));
  EXPECT_STREQ(SQL_LE_SCRIPT, " select script_rodado from tab_parametro");
  EXPECT_STREQ(SQL_ADICIONA_SCRIPT, "alter table tab_parametro add script_rodado integer");
  EXPECT_STREQ(SQL_ADICIONA_VERSAO, "alter table tab_parametro add VERSAO_ERP varchar(30)");
  EXPECT_STREQ(SQL_GRAVA_SCRIPT,
               " update tab_parametro a set a.script_rodado = (select max(a.no_log_atualizacao) "
               "from mov_log_atualizacao a)");
  EXPECT_STREQ(SQL_GRAVA_VERSAO, " update tab_parametro a set a.VERSAO_ERP = ");
}

class CamposVersaoTeste : public testing::Test {
 protected:
  void SetUp() override {
    banco.DefineNome(bt.Nome());
    banco.Conecta();
  }
  // A later start: a connection of its own.
  void VerificaNovaConexao(std::string& versao, std::string& script) {
    UnFirebird::TIBDatabase outra;
    outra.DefineNome(bt.Nome());
    outra.Conecta();
    VerificaCamposVersao(outra, versao, script);
    outra.Desconecta();
  }
  PastaTemporaria pasta;
  BancoTeste bt{pasta / "banco.fdb"};
  UnFirebird::TIBDatabase banco;
  std::string sVersao, sScript;
};

TEST_F(CamposVersaoTeste, MissingColumnsAreAddedStampedAndReadBackNextStart) {
  for (int i : {7, 42, 13})
    bt.Executa("insert into mov_log_atualizacao values (" + std::to_string(i) + ")");
  VerificaCamposVersao(banco, sVersao, sScript);
  EXPECT_EQ(sVersao, "Versao Inicial");
  EXPECT_EQ(sScript, "");
  // Committed: another connection sees both values while this one stays open.
  EXPECT_EQ(bt.Inteiro("select script_rodado from tab_parametro"), 42);
  EXPECT_EQ(bt.Texto("select versao_erp from tab_parametro"), "Versao Inicial");
  EXPECT_TRUE(banco.Transacao().Ativa());

  std::string sVersao2, sScript2;
  VerificaNovaConexao(sVersao2, sScript2);
  EXPECT_EQ(sVersao2, "Versao Inicial");
  EXPECT_EQ(sScript2, "42");
}

TEST_F(CamposVersaoTeste, WithoutUpdateLogTheScriptIsNull) {
  VerificaCamposVersao(banco, sVersao, sScript);
  EXPECT_EQ(sVersao, "Versao Inicial");
  EXPECT_TRUE(bt.Nulo("select script_rodado from tab_parametro"));
  std::string sVersao2, sScript2 = "x";
  VerificaNovaConexao(sVersao2, sScript2);
  EXPECT_EQ(sVersao2, "Versao Inicial");
  EXPECT_EQ(sScript2, "");
}

TEST_F(CamposVersaoTeste, PresentColumnsAreReadWithoutWriting) {
  bt.Executa("alter table tab_parametro add script_rodado integer");
  bt.Executa("alter table tab_parametro add VERSAO_ERP varchar(30)");
  bt.Executa("update tab_parametro set script_rodado = 310");
  VerificaCamposVersao(banco, sVersao, sScript);
  EXPECT_EQ(sVersao, "Versao Inicial");  // null reads as the initial version
  EXPECT_EQ(sScript, "310");
  banco.Desconecta();  // commits whatever the check might have left
  EXPECT_TRUE(bt.Nulo("select versao_erp from tab_parametro"));

  bt.Executa("update tab_parametro set versao_erp = '2024.05 O''Brien'");
  VerificaNovaConexao(sVersao, sScript);
  EXPECT_EQ(sVersao, "2024.05 O'Brien");
}

TEST_F(CamposVersaoTeste, EmptyParameterTable) {
  bt.Executa("delete from tab_parametro");
  VerificaCamposVersao(banco, sVersao, sScript);
  EXPECT_EQ(sVersao, "Versao Inicial");
  EXPECT_EQ(bt.Inteiro(CONTA_VERSAO), 1);
  EXPECT_EQ(bt.Inteiro("select count(*) from tab_parametro"), 0);

  std::string sVersao2 = "x", sScript2 = "x";
  VerificaNovaConexao(sVersao2, sScript2);
  EXPECT_EQ(sVersao2, "");
  EXPECT_EQ(sScript2, "");
}

TEST_F(CamposVersaoTeste, ScriptColumnWithoutVersionColumnFailsWithTheDatabaseError) {
  bt.Executa("alter table tab_parametro add script_rodado integer");
  try {
    VerificaCamposVersao(banco, sVersao, sScript);
    FAIL() << "no error";
  } catch (const UnFirebird::EIBError& e) {
    EXPECT_EQ(e.TipoNome(), "EIBInterBaseError");
    EXPECT_NE(std::string(e.what()).find("SCRIPT_RODADO"), std::string::npos) << e.what();
  }
  EXPECT_EQ(sVersao, "");
  banco.Desconecta();
  EXPECT_EQ(bt.Inteiro(CONTA_VERSAO), 0);
}
