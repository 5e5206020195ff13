// The database layer through the Firebird server on 127.0.0.1: an unreachable port, a server
// that goes away in the middle of the run, and the reconnection once it is back.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>

#include "database/UnFirebird.h"
#include "suporte/BancoTeste.h"
#include "suporte/PastaTemporaria.h"
#include "suporte/ServidorTeste.h"

using namespace UnFirebird;

namespace {

bool PortaAtende(int porta) {
  const int iSocket = socket(AF_INET, SOCK_STREAM, 0);
  if (iSocket < 0) return false;
  sockaddr_in vEndereco{};
  vEndereco.sin_family = AF_INET;
  vEndereco.sin_port = htons(static_cast<uint16_t>(porta));
  vEndereco.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool bAtende = connect(iSocket, reinterpret_cast<sockaddr*>(&vEndereco), sizeof vEndereco) == 0;
  close(iSocket);
  return bAtende;
}

bool RodaScript(const std::string& acao) {
  return std::system(("bash " + ServidorTeste::Script() + " " + acao).c_str()) == 0;
}

bool ContemTexto(const std::string& texto, const std::string& trecho) { return texto.find(trecho) != std::string::npos; }

class TestaServidorFirebird : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!PortaAtende(ServidorTeste::Porta())) {
      if (std::getenv("MONITOR_SERVIDOR_OBRIGATORIO"))
        FAIL() << "the Firebird server does not answer on " << ServidorTeste::Endereco();
      GTEST_SKIP() << "no Firebird server on " << ServidorTeste::Endereco();
    }
    banco_ = std::make_unique<BancoTeste>(ServidorTeste::Endereco() + ":" + pasta_ / "ERP.FDB");
    IBD_BancoDados.DefineNome(banco_->Nome());
  }
  // A test that stopped the server leaves it running for the next one.
  void TearDown() override {
    if (parouServidor_ && !PortaAtende(ServidorTeste::Porta())) {
      EXPECT_TRUE(RodaScript("start"));
    }
  }
  bool ParaServidor() {
    parouServidor_ = true;
    return RodaScript("stop");
  }

  std::string LeRaiz() {
    qryPesquisa.Close();
    qryPesquisa.SQL = " select NM_CAMINHO_RAIZ_CTE from TAB_PARAMETRO";
    qryPesquisa.Open();
    return qryPesquisa.FieldAsString("NM_CAMINHO_RAIZ_CTE");
  }
  void Muda(const std::string& sql) {
    qryUpdate.Close();
    qryUpdate.SQL = sql;
    qryUpdate.ExecSQL();
    qryUpdate.Close();
    qryUpdate.SQL = " commit retain";
    qryUpdate.ExecSQL();
  }

  bool parouServidor_ = false;
  PastaTemporaria pasta_;
  std::unique_ptr<BancoTeste> banco_;
  TIBDatabase IBD_BancoDados;
  TIBQuery qryUpdate{IBD_BancoDados};
  TIBQuery qryPesquisa{IBD_BancoDados};
};

TEST_F(TestaServidorFirebird, ConectaPeloServidorNaRede) {
  qryPesquisa.SQL = " select rdb$get_context('SYSTEM', 'NETWORK_PROTOCOL') protocolo,"
                    " current_user usuario from rdb$database";
  qryPesquisa.Open();
  EXPECT_EQ(qryPesquisa.FieldAsString("protocolo"), "TCPv4");
  EXPECT_EQ(qryPesquisa.FieldAsString("usuario"), "SYSDBA");

  Muda(" update TAB_PARAMETRO set NM_CAMINHO_RAIZ_CTE = 'C:\\CTe\\'");
  EXPECT_EQ(banco_->Texto("select NM_CAMINHO_RAIZ_CTE from TAB_PARAMETRO"), "C:\\CTe\\");
}

TEST_F(TestaServidorFirebird, PortaSemServidorDaErroDeRede) {
  ASSERT_FALSE(PortaAtende(3059));
  TIBDatabase vBanco;
  vBanco.DefineNome("127.0.0.1/3059:" + pasta_ / "ERP.FDB");
  try {
    vBanco.Conecta();
    FAIL() << "connected to a port where nothing listens";
  } catch (const EIBError& e) {
    EXPECT_EQ(e.TipoNome(), "EIBInterBaseError");
    EXPECT_TRUE(ContemTexto(e.what(), "Unable to complete network request to host")) << e.what();
    EXPECT_EQ(e.CodigoPrimario(), 335544721L);  // isc_network_error
  }
  EXPECT_FALSE(vBanco.Conectado());
}

TEST_F(TestaServidorFirebird, ServidorQueCaiDaErroDeRedeEVoltaSozinhoDepoisDeDesconectar) {
  Muda(" update TAB_PARAMETRO set NM_CAMINHO_RAIZ_CTE = 'antes'");
  ASSERT_EQ(LeRaiz(), "antes");

  ASSERT_TRUE(ParaServidor());
  try {
    LeRaiz();
    FAIL() << "a statement ran on a stopped server";
  } catch (const EIBError& e) {
    EXPECT_EQ(e.TipoNome(), "EIBInterBaseError");
    const std::string sTexto = e.what();
    EXPECT_TRUE(ContemTexto(sTexto, "Error reading data from the connection") ||
                ContemTexto(sTexto, "Error writing data to the connection") ||
                ContemTexto(sTexto, "Unable to complete network request to host"))
        << sTexto;
  }
  IBD_BancoDados.Desconecta();  // the cycle's reaction to a failed pass: must not raise
  EXPECT_FALSE(IBD_BancoDados.Conectado());

  // While the server is away a new connection fails with the network text.
  try {
    LeRaiz();
    FAIL() << "connected to a stopped server";
  } catch (const EIBError& e) {
    EXPECT_TRUE(ContemTexto(e.what(), "Unable to complete network request to host")) << e.what();
  }

  ASSERT_TRUE(RodaScript("start"));
  EXPECT_EQ(LeRaiz(), "antes");
  EXPECT_TRUE(IBD_BancoDados.Conectado());
  Muda(" update TAB_PARAMETRO set NM_CAMINHO_RAIZ_CTE = 'depois'");
  EXPECT_EQ(banco_->Texto("select NM_CAMINHO_RAIZ_CTE from TAB_PARAMETRO"), "depois");
}

}  // namespace

// What an ERP view of a newer server hands the monitor (the time with a time zone, the sum of
// a BIGINT, a NUMERIC beyond 18 digits) reads as it does on Firebird 3; a type the wrapper
// does not know is an error that names the column, never a text in another format.
TEST_F(TestaServidorFirebird, TiposNovosDoServidorLidosComoOsAntigos) {
  LeRaiz();  // connected: the engine's version is known
  const int iVersao = IBD_BancoDados.VersaoMotor();
  ASSERT_GE(iVersao, 3);
  Muda(std::string(" create table VALORES_ERP (b bigint, n numeric(") + (iVersao >= 4 ? "38" : "18") +
       ",2))");
  Muda(" insert into VALORES_ERP values (9000000000000000000, 12.34)");
  Muda(" insert into VALORES_ERP values (5, 1.01)");
  Muda(" create view RESUMO_ERP as select current_timestamp as agora, (select sum(b) from VALORES_ERP"
       " where b < 10) as soma, (select max(n) from VALORES_ERP) as maior, (select first 1 b from"
       " VALORES_ERP order by b desc) as grande from rdb$database");
  qryPesquisa.SQL = " select agora, soma, maior, grande from RESUMO_ERP";
  qryPesquisa.Open();
  const std::string agora = qryPesquisa.FieldAsString("agora");
  ASSERT_EQ(agora.size(), 19u) << agora;  // dd.mm.yyyy hh:mm:ss, in the session's own time
  EXPECT_EQ(agora.substr(2, 1) + agora.substr(5, 1) + agora.substr(10, 1) + agora.substr(13, 1),
            ".. :");
  EXPECT_EQ(qryPesquisa.FieldAsString("soma"), "5");
  EXPECT_EQ(qryPesquisa.FieldAsString("maior"), "12.34");
  EXPECT_EQ(qryPesquisa.FieldAsString("grande"), "9000000000000000000");
  if (iVersao < 4) return;
  // The new type asked for by name reaches the wrapper only when the session binds it natively.
  Muda(" SET BIND OF INT128 TO NATIVE");
  qryPesquisa.SQL = " select cast(1 as int128) as enorme from rdb$database";
  try {
    qryPesquisa.Open();
    FAIL() << "an INT128 column was read as " << qryPesquisa.FieldAsString("enorme");
  } catch (const EIBError& e) {
    // A client of 4 or later describes the type, and the wrapper names it; an older client
    // refuses to describe it.
    const std::string texto = e.what();
    EXPECT_TRUE(ContemTexto(texto, "A coluna ENORME é do tipo INT128") ||
                ContemTexto(texto, "Data type unknown"))
        << texto;
  }
}
