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

std::string ScriptServidor() {
  const char* sScript = std::getenv("MONITOR_SCRIPT_SERVIDOR");
  return sScript && *sScript ? sScript : std::string(MONITOR_RAIZ_FONTES) + "/scripts/servidor-firebird.sh";
}

bool RodaScript(const std::string& acao) { return std::system((ScriptServidor() + " " + acao).c_str()) == 0; }

bool ContemTexto(const std::string& texto, const std::string& trecho) { return texto.find(trecho) != std::string::npos; }

class TestaServidorFirebird : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!PortaAtende(3050)) {
      if (std::getenv("MONITOR_SERVIDOR_OBRIGATORIO")) FAIL() << "the Firebird server does not answer on 127.0.0.1:3050";
      GTEST_SKIP() << "no Firebird server on 127.0.0.1:3050";
    }
    banco_ = std::make_unique<BancoTeste>("127.0.0.1/3050:" + pasta_ / "ERP.FDB");
    IBD_BancoDados.DefineNome(banco_->Nome());
  }
  // A test that stopped the server leaves it running for the next one.
  void TearDown() override {
    if (parouServidor_ && !PortaAtende(3050)) {
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
