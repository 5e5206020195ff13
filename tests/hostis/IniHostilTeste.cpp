// Hostile initialisation files and update folders: huge, without sections, in UTF-16 as
// Windows Notepad saves them, a server with a port, pipes and unreadable files where a file is
// expected, and a marker ini whose master folder is not what it says.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "maintenance/UnArquivosExec.h"
#include "platform/UnIni.h"
#include "suporte/InstalacaoTeste.h"
#include "suporte/RespostasTeste.h"
#include "suporte/ServidorTeste.h"

namespace fs = std::filesystem;
namespace R = RespostasTeste;
using UnTela::EFimMonitor;

namespace {

const std::string SEM_CONEXAO = "O Sistema não conseguiu conectar com a base de dados.\r";
const std::string SEM_INI = "Não foi encontrado o arquivo de inicialização";

// UTF-8 text as Notepad's "Unicode" saves it: UTF-16 little-endian after a byte-order mark.
std::string Utf16ComMarca(const std::string& utf8) {
  std::string saida = "\xFF\xFE";
  for (size_t i = 0; i < utf8.size();) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    uint32_t ponto;
    size_t tamanho;
    if (c < 0x80) ponto = c, tamanho = 1;
    else if (c < 0xE0) ponto = c & 0x1F, tamanho = 2;
    else if (c < 0xF0) ponto = c & 0x0F, tamanho = 3;
    else ponto = c & 0x07, tamanho = 4;
    for (size_t k = 1; k < tamanho; ++k) ponto = ponto << 6 | (utf8[i + k] & 0x3F);
    i += tamanho;
    auto unidade = [&](uint32_t u) {
      saida += static_cast<char>(u & 0xFF);
      saida += static_cast<char>(u >> 8);
    };
    if (ponto >= 0x10000) {
      unidade(0xD800 + ((ponto - 0x10000) >> 10));
      unidade(0xDC00 + ((ponto - 0x10000) & 0x3FF));
    } else {
      unidade(ponto);
    }
  }
  return saida;
}

class IniHostil : public ::testing::Test {
 protected:
  InstalacaoTeste inst;
  TelaTeste tela;
  std::string sIniServidor = inst.sPastaDados + "servidor.ini";

  // Start-up as the program runs it: database name from the files, then the connection.
  std::unique_ptr<TMonitorCTe> Inicia() {
    auto m = std::make_unique<TMonitorCTe>(tela);
    m->sCaminhoExecutavel = inst.sExecutavel;
    m->sEnderecoSite = "http://127.0.0.1:9";
    m->ConectaBancoDados(m->RetornaNomeBanco());
    return m;
  }
  // A start-up that ends the monitor; the one notice it showed.
  std::string InicioFalha() {
    EXPECT_THROW(Inicia(), EFimMonitor);
    if (tela.notificacoes.size() != 1) {
      ADD_FAILURE() << tela.notificacoes.size() << " notices";
      return {};
    }
    EXPECT_EQ(tela.notificacoes[0].sTitulo, "Aviso do Sistema");
    EXPECT_EQ(tela.notificacoes[0].iFlags, 16u);
    return tela.notificacoes[0].sTexto;
  }
  // One answer of a company of this installation goes through a pass.
  void PassoGrava(TMonitorCTe& m) {
    const int32_t empresa = inst.banco->AdicionaEmpresa("12345678000199");
    const int32_t id = inst.banco->AdicionaCTe(empresa, R::CHAVE_1);
    R::EscreveResposta(inst.Retorno("12345678000199") + R::NomeEvento(R::CHAVE_1),
                       R::RetornoEvento(R::InfEvento{}));
    m.ProcessaEmpresas();
    EXPECT_EQ(inst.banco->Inteiro("select CD_ST_CAN_CTE from MOV_CTE_RET where id_cte = " +
                                  std::to_string(id)),
              135);
  }
};

}  // namespace

TEST_F(IniHostil, IniDoServidorDeVariosMiB) {
  // Eight MiB of other sections, with keys of the same names and lines far beyond the buffer.
  std::string ini;
  const std::string linhaLonga(100000, 'z');
  while (ini.size() < (8u << 20))
    ini += "[Outra" + std::to_string(ini.size()) + "]\r\nname=errado.fdb\r\npath=" + linhaLonga +
           "\r\n; comentario\r\n";
  ini += "[Database]\r\nServidor=\r\npath=" + inst.sPastaDados + "\r\nname=banco.fdb\r\n";
  EscreveArquivo(sIniServidor, ini);
  auto m = Inicia();
  EXPECT_EQ(m->sBanco, "banco.fdb");
  EXPECT_EQ(m->sPath, inst.sPastaDados);
  EXPECT_EQ(m->RetornaNomeBanco(), inst.sPastaDados + "banco.fdb");
  EXPECT_TRUE(tela.notificacoes.empty());
  PassoGrava(*m);
}

TEST_F(IniHostil, IniSemSecoesOuComValorAlemDoBuffer) {
  // Keys without a section are in no section: nothing is read, no database is named.
  EscreveArquivo(sIniServidor, "Servidor=\r\npath=" + inst.sPastaDados + "\r\nname=banco.fdb\r\n");
  EXPECT_EQ(InicioFalha().rfind(SEM_CONEXAO, 0), 0u);

  // A server name longer than the 2048-character buffer is cut, as Windows cuts it.
  tela.notificacoes.clear();
  EscreveArquivo(sIniServidor, "[Database]\r\nServidor=" + std::string(5000, 'h') + "\r\npath=" +
                                   inst.sPastaDados + "\r\nname=banco.fdb\r\n");
  EXPECT_EQ(UnIni::LeIni(sIniServidor, "Database", "Servidor", "").size(),
            UnIni::TAMANHO_BUFFER - 1);
  EXPECT_EQ(InicioFalha().rfind(SEM_CONEXAO, 0), 0u);

  // An empty ERP initialisation file names no server file at all.
  tela.notificacoes.clear();
  EscreveArquivo(inst.sPastaErp + "/quelvixempresa.ini", "");
  EXPECT_EQ(InicioFalha(), SEM_INI);
}

TEST_F(IniHostil, IniDoServidorQueNaoEhArquivoLegivel) {
  // A pipe would hold the start-up forever if it were read: it is no initialisation file.
  const std::string fifo = inst.sPastaDados + "servidor.fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0666), 0);
  EscreveArquivo(inst.sPastaErp + "/quelvixempresa.ini", "[IniServidor]\r\nnomearquivo=" + fifo + "\r\n");
  EXPECT_EQ(InicioFalha(), SEM_INI);

  // A plain file whose bytes cannot be read reads as empty values.
  tela.notificacoes.clear();
  EscreveArquivo(inst.sPastaErp + "/quelvixempresa.ini",
                 "[IniServidor]\r\nnomearquivo=/proc/self/mem\r\n");
  EXPECT_EQ(InicioFalha().rfind(SEM_CONEXAO, 0), 0u);

  // A folder named like the file is not the file.
  tela.notificacoes.clear();
  fs::create_directories(inst.sPastaDados + "pasta.ini");
  EscreveArquivo(inst.sPastaErp + "/quelvixempresa.ini",
                 "[IniServidor]\r\nnomearquivo=" + inst.sPastaDados + "pasta.ini\r\n");
  EXPECT_EQ(InicioFalha(), SEM_INI);
}

TEST_F(IniHostil, IniEmUtf16ComoONotepadGrava) {
  // Both files in UTF-16; the server file in a folder with accents and blanks. (The database
  // file itself keeps a plain name: the client library takes non-ASCII file names in the
  // workstation's code page, which a "C" locale lacks.)
  const std::string pasta = inst.pasta / "Dados Gestão Ação/";
  fs::create_directories(pasta);
  const std::string iniServidor = pasta + "servidor ç.ini";
  EscreveArquivo(iniServidor, Utf16ComMarca("; Configuração\r\n[Database]\r\nServidor=\r\npath=" +
                                            inst.sPastaDados + "\r\nname=banco.fdb\r\n"));
  EscreveArquivo(inst.sPastaErp + "/quelvixempresa.ini",
                 Utf16ComMarca("[IniServidor]\r\nnomearquivo=" + iniServidor + "\r\n"));
  auto m = Inicia();
  EXPECT_EQ(m->locainiServidor, iniServidor);
  EXPECT_EQ(m->sBanco, "banco.fdb");
  EXPECT_EQ(m->RetornaNomeBanco(), inst.sPastaDados + "banco.fdb");
  EXPECT_EQ(m->RetornaPastaDados(), pasta);
  EXPECT_EQ(m->Atualizacao.PastaAtualizacao, inst.pasta / "Update");
  EXPECT_TRUE(tela.notificacoes.empty());
  PassoGrava(*m);
}

TEST_F(IniHostil, ServidorComPortaEBrancos) {
  // Blanks around the value and a quoted blank server: the value, or a local database.
  EscreveArquivo(sIniServidor, "[Database]\r\nServidor = \" \"\r\npath = " + inst.sPastaDados +
                                   "  \r\nname = banco.fdb\r\n");
  EXPECT_EQ(Inicia()->RetornaNomeBanco(), inst.sPastaDados + "banco.fdb");
  EscreveArquivo(sIniServidor, "[Database]\r\nServidor =  127.0.0.1/3050 \r\npath=" +
                                   inst.sPastaDados + "\r\nname=banco.fdb\r\n");
  auto local = std::make_unique<TMonitorCTe>(tela);
  local->sCaminhoExecutavel = inst.sExecutavel;
  EXPECT_EQ(local->RetornaNomeBanco(), "127.0.0.1/3050:" + inst.sPastaDados + "banco.fdb");

  // host/port:path through the tests' server.
  std::unique_ptr<InstalacaoTeste> remota;
  try {
    remota = std::make_unique<InstalacaoTeste>(true);
  } catch (const std::exception& e) {
    if (std::getenv("MONITOR_SERVIDOR_OBRIGATORIO")) FAIL() << e.what();
    GTEST_SKIP() << "no Firebird server on " << ServidorTeste::Endereco() << ": " << e.what();
  }
  EscreveArquivo(remota->sPastaDados + "servidor.ini",
                 "[Database]\r\nServidor= " + ServidorTeste::Endereco() + "\r\npath=" + remota->sPastaDados +
                     "\r\nname=banco.fdb\r\n");
  TelaTeste telaRemota;
  auto m = remota->Monitor(telaRemota);
  EXPECT_EQ(m->sServidor, ServidorTeste::Endereco());
  EXPECT_TRUE(m->IBD_BancoDados->Conectado());
  const int32_t empresa = remota->banco->AdicionaEmpresa("12345678000199");
  const int32_t id = remota->banco->AdicionaCTe(empresa, R::CHAVE_1);
  R::EscreveResposta(remota->Retorno("12345678000199") + R::NomeEvento(R::CHAVE_1),
                     R::RetornoEvento(R::InfEvento{}));
  m->ProcessaEmpresas();
  EXPECT_EQ(remota->banco->Inteiro("select CD_ST_CAN_CTE from MOV_CTE_RET where id_cte = " +
                                   std::to_string(id)),
            135);
  EXPECT_TRUE(telaRemota.notificacoes.empty());
}

namespace {

// The ERP's own program starting beside a marker ini; HOME points into the test's folder so
// the launcher lands there.
class MarcadorHostil : public ::testing::Test {
 protected:
  PastaTemporaria pasta;
  std::string sErp = pasta / "erp";
  std::string sUpdate = pasta / "Update";
  std::string sHome = pasta / "home";
  std::optional<std::string> antigoHome;
  TelaTeste tela;
  std::unique_ptr<TMonitorCTe> m;

  void SetUp() override {
    if (const char* h = std::getenv("HOME")) antigoHome = h;
    setenv("HOME", sHome.c_str(), 1);
    fs::create_directories(sHome + "/Desktop");
    fs::create_directories(sUpdate);
    m = std::make_unique<TMonitorCTe>(tela);
    m->sCaminhoExecutavel = sErp + "/quelvixEmpresa.exe";
    EscreveArquivo(m->sCaminhoExecutavel, "running build");
    m->DefinePastaAtualizacao("", pasta / "Dados/servidor.ini");
    ASSERT_EQ(m->Atualizacao.PastaAtualizacao, sUpdate);
  }
  void TearDown() override {
    if (antigoHome) setenv("HOME", antigoHome->c_str(), 1);
    else unsetenv("HOME");
  }
  void Marca(const std::string& pastaMestre) {
    EscreveArquivo(sErp + "/Exec-quelvixEmpresa.ini",
                   "[configuracao]\r\npastamestre=" + pastaMestre + "\r\n");
    EscreveArquivo(sErp + "/Exec-quelvixEmpresa.exe", "copy");
  }
  void Trata() { UnArquivosExec::TrataArquivosExec(m->Atualizacao, m->sCaminhoExecutavel); }
  void MarcadorConsumido() {
    EXPECT_FALSE(fs::exists(sErp + "/Exec-quelvixEmpresa.ini"));
    EXPECT_FALSE(fs::exists(sErp + "/Exec-quelvixEmpresa.exe"));
    EXPECT_TRUE(fs::exists(sHome + "/Desktop/Novo quelvixEmpresa.desktop"));
    EXPECT_TRUE(fs::is_empty(sUpdate));
    EXPECT_TRUE(tela.notificacoes.empty());
  }
};

}  // namespace

TEST_F(MarcadorHostil, PastaMestreQueNaoExiste) {
  Marca(pasta / "mestre que não existe");
  Trata();
  MarcadorConsumido();
}

TEST_F(MarcadorHostil, PastaMestreQueEhArquivo) {
  EscreveArquivo(pasta / "mestre.exe", "MZ");
  Marca(pasta / "mestre.exe");
  Trata();
  MarcadorConsumido();
}

TEST_F(MarcadorHostil, EntradasDaPastaMestreQueNaoSaoArquivos) {
  // A folder and a pipe named like programs: neither is copied, and the pipe holds nothing up.
  const std::string mestre = pasta / "mestre";
  fs::create_directories(mestre + "/pasta.exe");
  ASSERT_EQ(mkfifo((mestre + "/tubo.exe").c_str(), 0666), 0);
  EscreveArquivo(mestre + "/programa.exe", "MZ programa");
  Marca(mestre);
  Trata();
  EXPECT_FALSE(fs::exists(sErp + "/Exec-quelvixEmpresa.ini"));
  EXPECT_EQ(LeTexto(sUpdate + "/programa.exe"), "MZ programa");
  EXPECT_FALSE(fs::exists(sUpdate + "/pasta.exe"));
  EXPECT_FALSE(fs::exists(sUpdate + "/tubo.exe"));
  EXPECT_TRUE(tela.notificacoes.empty());
}
