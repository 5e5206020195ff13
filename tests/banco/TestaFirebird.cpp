// The database layer against the embedded engine: connection, the one transaction, look-ups,
// changes and the error it raises.
#include <gtest/gtest.h>

#include <algorithm>

#include "database/UnFirebird.h"
#include "suporte/BancoTeste.h"
#include "suporte/PastaTemporaria.h"

using namespace UnFirebird;

namespace {

constexpr long isc_deadlock = 335544336L;
constexpr long isc_lock_conflict = 335544345L;
constexpr long isc_update_conflict = 335544451L;

bool Contem(const std::vector<long>& codigos, long codigo) {
  return std::find(codigos.begin(), codigos.end(), codigo) != codigos.end();
}

class TestaFirebird : public ::testing::Test {
 protected:
  TestaFirebird() : banco(pasta / "ERP.FDB") { IBD_BancoDados.DefineNome(banco.Nome()); }

  std::string Texto(const std::string& sql) {
    qryPesquisa.Close();
    qryPesquisa.SQL = sql;
    qryPesquisa.Open();
    return qryPesquisa.FieldAsString(qryPesquisa.Colunas().at(0));
  }
  int64_t Inteiro(const std::string& sql) {
    qryPesquisa.Close();
    qryPesquisa.SQL = sql;
    qryPesquisa.Open();
    return qryPesquisa.FieldAsInteger(qryPesquisa.Colunas().at(0));
  }
  void Muda(const std::string& sql) {
    qryUpdate.Close();
    qryUpdate.SQL = sql;
    qryUpdate.ExecSQL();
  }
  int64_t TransacaoAtual() { return Inteiro(" select current_transaction from rdb$database"); }

  PastaTemporaria pasta;
  BancoTeste banco;
  TIBDatabase IBD_BancoDados;
  TIBQuery qryUpdate{IBD_BancoDados};
  TIBQuery qryPesquisa{IBD_BancoDados};
};

TEST_F(TestaFirebird, ConectaComUsuarioSenhaETransacaoDoMonitor) {
  IBD_BancoDados.Conecta();
  EXPECT_TRUE(IBD_BancoDados.Conectado());
  EXPECT_FALSE(IBD_BancoDados.Transacao().Ativa());

  qryPesquisa.SQL =
      " select a.mon$user, a.mon$character_set_id, t.mon$isolation_mode, t.mon$lock_timeout, t.mon$read_only"
      " from mon$attachments a join mon$transactions t on t.mon$attachment_id = a.mon$attachment_id"
      " where a.mon$attachment_id = current_connection and t.mon$transaction_id = current_transaction";
  qryPesquisa.Open();
  EXPECT_TRUE(IBD_BancoDados.Transacao().Ativa());
  EXPECT_EQ(qryPesquisa.FieldAsString("MON$USER"), "SYSDBA");
  EXPECT_EQ(qryPesquisa.FieldAsInteger("mon$character_set_id"), 0);  // NONE: no character set asked for
  EXPECT_EQ(qryPesquisa.FieldAsInteger("mon$isolation_mode"), 2);    // read committed, record version
  EXPECT_EQ(qryPesquisa.FieldAsInteger("mon$lock_timeout"), 0);      // nowait
  EXPECT_EQ(qryPesquisa.FieldAsInteger("mon$read_only"), 0);
  // Dialect 3: integer division stays integer.
  EXPECT_EQ(Texto(" select 7 / 2 from rdb$database"), "3");
}

TEST_F(TestaFirebird, MudancaComCommitRetainApareceNaHoraEmOutraConexao) {
  Muda(" update TAB_PARAMETRO set NM_CAMINHO_RAIZ_CTE = 'C:\\CTe\\'");
  EXPECT_TRUE(banco.Nulo("select NM_CAMINHO_RAIZ_CTE from TAB_PARAMETRO"));

  Muda(" commit retain");
  EXPECT_EQ(banco.Texto("select NM_CAMINHO_RAIZ_CTE from TAB_PARAMETRO"), "C:\\CTe\\");
  EXPECT_TRUE(IBD_BancoDados.Transacao().Ativa());

  // A change made before a later failure stays.
  Muda(" update TAB_PARAMETRO set NM_CAMINHO_RAIZ_CTE = 'D:\\'");
  Muda(" commit retain");
  EXPECT_THROW(Muda(" update TABELA_QUE_NAO_EXISTE set x = 1"), EIBError);
  IBD_BancoDados.Desconecta();
  EXPECT_EQ(banco.Texto("select NM_CAMINHO_RAIZ_CTE from TAB_PARAMETRO"), "D:\\");
}

TEST_F(TestaFirebird, AMesmaTransacaoAtravessaAsMudancas) {
  const int64_t iInicial = TransacaoAtual();
  Muda(" update MOV_LOG_ATUALIZACAO set NO_LOG_ATUALIZACAO = 1");
  Muda(" update TAB_PARAMETRO set NM_CAMINHO_RAIZ_CTE = 'x'");
  EXPECT_EQ(TransacaoAtual(), iInicial);
  IBD_BancoDados.Transacao().CommitRetaining();
  EXPECT_TRUE(IBD_BancoDados.Transacao().Ativa());
  EXPECT_EQ(banco.Texto("select NM_CAMINHO_RAIZ_CTE from TAB_PARAMETRO"), "x");
}

TEST_F(TestaFirebird, CommitComoSqlEncerraATransacaoEAProximaComecaOutra) {
  const int64_t iPrimeira = TransacaoAtual();
  Muda(" update TAB_PARAMETRO set NM_CAMINHO_RAIZ_CTE = 'y'");
  Muda(" commit");
  EXPECT_FALSE(IBD_BancoDados.Transacao().Ativa());
  EXPECT_EQ(banco.Texto("select NM_CAMINHO_RAIZ_CTE from TAB_PARAMETRO"), "y");

  EXPECT_GT(TransacaoAtual(), iPrimeira);
  EXPECT_TRUE(IBD_BancoDados.Transacao().Ativa());
  Muda(" rollback");
  EXPECT_FALSE(IBD_BancoDados.Transacao().Ativa());
}

TEST_F(TestaFirebird, CommitDeixaOInstantaneoMaisAntigoAvancarECommitRetainNao) {
  const std::string sMaisAntigo = "select mon$oldest_snapshot from mon$database";
  Muda(" update TAB_PARAMETRO set NM_CAMINHO_RAIZ_CTE = 'a'");
  const int64_t iNossa = TransacaoAtual();
  for (int i = 0; i < 3; ++i) {
    Muda(" update TAB_PARAMETRO set NM_CAMINHO_RAIZ_CTE = 'b'");
    Muda(" commit retain");
    IBD_BancoDados.Transacao().CommitRetaining();
    banco.Executa("update MOV_LOG_ATUALIZACAO set NO_LOG_ATUALIZACAO = 2");
  }
  EXPECT_LE(banco.Inteiro(sMaisAntigo), iNossa);

  for (int i = 0; i < 3; ++i) {
    Muda(" update TAB_PARAMETRO set NM_CAMINHO_RAIZ_CTE = 'c'");
    IBD_BancoDados.Transacao().Commit();
    EXPECT_FALSE(IBD_BancoDados.Transacao().Ativa());
    banco.Executa("update MOV_LOG_ATUALIZACAO set NO_LOG_ATUALIZACAO = 3");
  }
  EXPECT_GT(banco.Inteiro(sMaisAntigo), iNossa);
}

TEST_F(TestaFirebird, ConsultaSemLinhasLeZeroEVazio) {
  qryPesquisa.SQL = " select id_cte, cd_chave_acesso_cte from MOV_CTE_RET where id_cte = 99";
  qryPesquisa.Open();
  EXPECT_TRUE(qryPesquisa.Vazia());
  EXPECT_EQ(qryPesquisa.FieldAsInteger("ID_CTE"), 0);
  EXPECT_EQ(qryPesquisa.FieldAsString("cd_chave_acesso_cte"), "");
  EXPECT_TRUE(qryPesquisa.FieldIsNull("id_cte"));
  EXPECT_EQ(qryPesquisa.FieldAsString(3, "id_cte"), "");

  try {
    qryPesquisa.FieldAsString("no_recibo_cte");
    FAIL() << "a column outside the select list was read";
  } catch (const EIBError& e) {
    EXPECT_EQ(e.TipoNome(), "EIBClientError");
  }
  qryPesquisa.Close();
  EXPECT_TRUE(qryPesquisa.Colunas().empty());
}

TEST_F(TestaFirebird, LeTodasAsLinhasPeloNomeOuApelido) {
  const int32_t iA = banco.AdicionaEmpresa("11111111000191");
  const int32_t iB = banco.AdicionaEmpresa("22.222.222/0001-91");
  banco.AdicionaEmpresa("", false);
  qryPesquisa.SQL =
      " select pe.id_pessoa, pe.no_cnpj_cpf as cnpj from cad_pessoa pe where pe.st_emitente_cte = 'S'"
      " order by pe.id_pessoa";
  qryPesquisa.Open();
  ASSERT_EQ(qryPesquisa.QuantidadeLinhas(), 2u);
  EXPECT_EQ(qryPesquisa.FieldAsInteger("Id_Pessoa"), iA);
  EXPECT_EQ(qryPesquisa.FieldAsString(0, "cnpj"), "11111111000191");
  EXPECT_EQ(qryPesquisa.FieldAsString(1, "CNPJ"), "22.222.222/0001-91");
  EXPECT_EQ(qryPesquisa.FieldAsString(1, "id_pessoa"), std::to_string(iB));
  EXPECT_EQ(qryPesquisa.FieldAsString(2, "cnpj"), "");
}

TEST_F(TestaFirebird, ConverteCadaTipoEmTexto) {
  qryPesquisa.SQL =
      " select cast(12.34 as numeric(9,2)) n2, cast(-0.05 as numeric(4,2)) negativo,"
      " cast(135160000123456 as numeric(18,0)) protocolo, cast(-7 as smallint) curto,"
      " cast(9223372036854775807 as bigint) grande, cast('S' as char(3)) letra,"
      " cast('  com brancos  ' as varchar(20)) variavel, timestamp '2024-03-05 07:08:09.1234' momento,"
      " date '1858-11-17' dia_zero, date '2000-02-29' bissexto, time '23:59:59' hora,"
      " cast(1.5 as double precision) real_duplo, cast(0.25 as float) real_simples, true verdadeiro,"
      " null nulo, cast('conteúdo de blob' as blob sub_type text) texto_longo from rdb$database";
  qryPesquisa.Open();
  EXPECT_EQ(qryPesquisa.FieldAsString("n2"), "12.34");
  EXPECT_EQ(qryPesquisa.FieldAsString("negativo"), "-0.05");
  EXPECT_EQ(qryPesquisa.FieldAsString("protocolo"), "135160000123456");
  EXPECT_EQ(qryPesquisa.FieldAsInteger("protocolo"), 135160000123456);
  EXPECT_EQ(qryPesquisa.FieldAsInteger("curto"), -7);
  EXPECT_EQ(qryPesquisa.FieldAsInteger("grande"), INT64_MAX);
  EXPECT_EQ(qryPesquisa.FieldAsString("letra"), "S");
  EXPECT_EQ(qryPesquisa.FieldAsString("variavel"), "  com brancos  ");
  EXPECT_EQ(qryPesquisa.FieldAsString("momento"), "05.03.2024 07:08:09");
  EXPECT_EQ(qryPesquisa.FieldAsString("dia_zero"), "17.11.1858");
  EXPECT_EQ(qryPesquisa.FieldAsString("bissexto"), "29.02.2000");
  EXPECT_EQ(qryPesquisa.FieldAsString("hora"), "23:59:59");
  EXPECT_EQ(qryPesquisa.FieldAsString("real_duplo"), "1.5");
  EXPECT_EQ(qryPesquisa.FieldAsString("real_simples"), "0.25");
  EXPECT_EQ(qryPesquisa.FieldAsString("verdadeiro"), "True");
  EXPECT_TRUE(qryPesquisa.FieldIsNull("nulo"));
  EXPECT_EQ(qryPesquisa.FieldAsInteger("nulo"), 0);
  EXPECT_EQ(qryPesquisa.FieldAsString("texto_longo"), "conteúdo de blob");
  EXPECT_FALSE(qryPesquisa.FieldIsNull("texto_longo"));

  try {
    qryPesquisa.FieldAsInteger("letra");
    FAIL() << "a letter was read as a number";
  } catch (const EIBError& e) {
    EXPECT_EQ(e.TipoNome(), "EIBClientError");
    EXPECT_NE(std::string(e.what()).find("'S'"), std::string::npos) << e.what();
  }
  EXPECT_THROW(qryPesquisa.FieldAsInteger("n2"), EIBError);
}

TEST_F(TestaFirebird, ProtocoloNumericoAceitaTextoENumero) {
  const int32_t iCTe = banco.AdicionaCTe(banco.AdicionaEmpresa("11111111000191"),
                                         "35240311111111000191570010000012341000056781");
  EXPECT_EQ(banco.Inteiro("select NO_DOC_CTE from MOV_CTE where id_cte = " + std::to_string(iCTe)), 1234);
  EXPECT_EQ(banco.Inteiro("select NO_COD_NUMERICO_CTE from MOV_CTE_RET"), 5678);
  EXPECT_EQ(banco.Texto("select cd_chave_acesso_cte from MOV_CTE_RET"),
            "CTe35240311111111000191570010000012341000056781");

  Muda(" update MOV_CTE_RET set NO_PROTOCOLO_CAN_CTE = '135240000000001', DH_PROCESSA_CAN_CTE = "
       "'05.03.2024 10:11:12' where id_cte = " + std::to_string(iCTe));
  Muda(" commit retain");
  EXPECT_EQ(banco.Texto("select NO_PROTOCOLO_CAN_CTE from MOV_CTE_RET"), "135240000000001");
  EXPECT_EQ(banco.Texto("select DH_PROCESSA_CAN_CTE from MOV_CTE_RET"), "05.03.2024 10:11:12");
  Muda(" update MOV_CTE_RET set NO_PROTOCOLO_CAN_CTE = 135240000000002 where id_cte = " + std::to_string(iCTe));
  Muda(" commit retain");
  EXPECT_EQ(banco.Inteiro("select NO_PROTOCOLO_CAN_CTE from MOV_CTE_RET"), 135240000000002);
}

TEST_F(TestaFirebird, AspasPassamIntactasPeloQuotedStr) {
  EXPECT_EQ(QuotedStr("a'b"), "'a''b'");
  EXPECT_EQ(QuotedStr(""), "''");
  EXPECT_EQ(QuotedStr("''"), "''''''");

  const std::string sRaiz = "C:\\Transportes D'Ávila\\'CTe'\\";
  Muda(" update TAB_PARAMETRO set NM_CAMINHO_RAIZ_CTE = " + QuotedStr(sRaiz));
  Muda(" commit retain");
  EXPECT_EQ(banco.Texto("select NM_CAMINHO_RAIZ_CTE from TAB_PARAMETRO"), sRaiz);
  EXPECT_EQ(Inteiro(" select count(*) from TAB_PARAMETRO where NM_CAMINHO_RAIZ_CTE = " + QuotedStr(sRaiz)), 1);
}

TEST_F(TestaFirebird, ColunasNovasServemNaMesmaTransacaoDepoisDoCommitRetaining) {
  banco.Executa("insert into MOV_LOG_ATUALIZACAO values (41)");
  banco.Executa("insert into MOV_LOG_ATUALIZACAO values (42)");
  Muda("alter table tab_parametro add script_rodado integer");
  Muda("alter table tab_parametro add VERSAO_ERP varchar(30)");
  IBD_BancoDados.Transacao().CommitRetaining();
  Muda(" update tab_parametro a set a.script_rodado = (select max(a.no_log_atualizacao) from mov_log_atualizacao a)");
  IBD_BancoDados.Transacao().CommitRetaining();
  EXPECT_EQ(banco.Inteiro("select script_rodado from tab_parametro"), 42);
  EXPECT_EQ(Texto(" sELECT coalesce(VERSAO_ERP,'Versao Inicial') as coalesce from  TAB_PARAMETRO            "),
            "Versao Inicial");
  qryPesquisa.SQL =
      " sELECT r.* FROM RDB$RELATION_fields r where r.RDB$relation_name ='TAB_PARAMETRO' and "
      " r.RDB$field_name = 'VERSAO_ERP'";
  qryPesquisa.Open();
  EXPECT_EQ(qryPesquisa.QuantidadeLinhas(), 1u);
}

TEST_F(TestaFirebird, LinhaPresaPorOutraConexaoFalhaNaHora) {
  const int32_t iCTe = banco.AdicionaCTe(banco.AdicionaEmpresa("11111111000191"),
                                         "35240311111111000191570010000012341000056781");
  TIBDatabase vOutra;
  vOutra.DefineNome(banco.Nome());
  TIBQuery qryOutra(vOutra);
  qryOutra.SQL = " update MOV_CTE_RET set NO_LOTE_CTE = 1 where id_cte = " + std::to_string(iCTe);
  qryOutra.ExecSQL();

  try {
    Muda(" update MOV_CTE_RET set NO_LOTE_CTE = 2 where id_cte = " + std::to_string(iCTe));
    FAIL() << "the update waited for or overwrote another connection's row";
  } catch (const EIBError& e) {
    EXPECT_EQ(e.TipoNome(), "EIBInterBaseError");
    ASSERT_FALSE(e.Codigos().empty());
    EXPECT_EQ(e.CodigoPrimario(), e.Codigos().front());
    EXPECT_TRUE(Contem(e.Codigos(), isc_update_conflict) || Contem(e.Codigos(), isc_deadlock) ||
                Contem(e.Codigos(), isc_lock_conflict))
        << e.what();
    EXPECT_NE(std::string(e.what()).find("\r\n"), std::string::npos) << "one line per status entry";
  }
  vOutra.Transacao().Rollback();
  Muda(" update MOV_CTE_RET set NO_LOTE_CTE = 3 where id_cte = " + std::to_string(iCTe));
  Muda(" commit retain");
  EXPECT_EQ(banco.Inteiro("select NO_LOTE_CTE from MOV_CTE_RET"), 3);
}

TEST_F(TestaFirebird, ErroDoServidorTrazTextoECodigos) {
  try {
    Muda(" update MOV_CTE_RET set where");
    FAIL();
  } catch (const EIBError& e) {
    EXPECT_EQ(e.TipoNome(), "EIBInterBaseError");
    EXPECT_EQ(e.CodigoPrimario(), 335544569L);  // isc_dsql_error
    EXPECT_NE(std::string(e.what()).find("Token unknown"), std::string::npos) << e.what();
  }
  // The failed statement leaves the connection usable.
  EXPECT_EQ(Inteiro(" select count(*) from TAB_PARAMETRO"), 1);
}

TEST_F(TestaFirebird, DesconectaGravaOQueFicouAbertoEReconectaSozinho) {
  Muda(" update TAB_PARAMETRO set NM_CAMINHO_RAIZ_CTE = 'z'");
  IBD_BancoDados.Desconecta();
  EXPECT_FALSE(IBD_BancoDados.Conectado());
  EXPECT_FALSE(IBD_BancoDados.Transacao().Ativa());
  EXPECT_EQ(banco.Texto("select NM_CAMINHO_RAIZ_CTE from TAB_PARAMETRO"), "z");
  IBD_BancoDados.Desconecta();

  EXPECT_EQ(Texto(" select NM_CAMINHO_RAIZ_CTE from TAB_PARAMETRO"), "z");
  EXPECT_TRUE(IBD_BancoDados.Conectado());
}

TEST(TestaFirebirdCliente, FaltasDoLadoDoClienteSaoEIBClientError) {
  try {
    TIBDatabase vBanco({"libnaoexiste.so.9"});
    FAIL() << "a missing client library was accepted";
  } catch (const EIBError& e) {
    EXPECT_EQ(e.TipoNome(), "EIBClientError");
    EXPECT_NE(std::string(e.what()).find("libnaoexiste.so.9"), std::string::npos) << e.what();
    EXPECT_TRUE(e.Codigos().empty());
  }

  TIBDatabase vSemNome;
  TIBQuery qryPesquisa(vSemNome);
  qryPesquisa.SQL = " select 1 from rdb$database";
  try {
    qryPesquisa.Open();
    FAIL() << "a statement ran without a database name";
  } catch (const EIBError& e) {
    EXPECT_EQ(e.TipoNome(), "EIBClientError");
  }

  PastaTemporaria pasta;
  vSemNome.DefineNome(pasta / "nao-existe.fdb");
  qryPesquisa.SQL = "   ";
  EXPECT_THROW(qryPesquisa.Open(), EIBError);
  EXPECT_FALSE(vSemNome.Conectado());
  qryPesquisa.SQL = " select 1 from rdb$database";
  try {
    qryPesquisa.Open();
    FAIL();
  } catch (const EIBError& e) {
    EXPECT_EQ(e.TipoNome(), "EIBInterBaseError");
    EXPECT_NE(std::string(e.what()).find("nao-existe.fdb"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(vSemNome.Conectado());
}

}  // namespace
