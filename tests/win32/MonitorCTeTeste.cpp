// MonitorCTe.exe as the user meets it on an ERP workstation. Without a Firebird client it
// starts, says why it cannot connect, opens its window, refuses a second copy and ends through
// the tray menu's "&Sair". With the client (the test bridge to the Linux library) and the ERP
// database on the Firebird server of the same machine, it records an answer file and moves it.
#include "shell/win32/UnPrincipal.h"

#include <winsock2.h>

#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "dialogs/win32/UnPerguntaSemEspera.h"
#include "platform/UnAreaTrabalho.h"
#include "platform/win32/UnCom.h"
#include "platform/win32/UnErroSistema.h"
#include "platform/win32/UnTextoLargo.h"
#include "platform/UnLocalidade.h"
#include "shell/UnLog.h"
#include "suporte/BancoTeste.h"
#include "suporte/PastaTemporaria.h"
#include "suporte/RespostasTeste.h"
#include "win32/UnJanelasTeste.h"

using namespace UnJanelasTeste;

namespace {

std::wstring PastaDoTeste() {
  wchar_t caminho[MAX_PATH];
  const DWORD iTamanho = GetModuleFileNameW(nullptr, caminho, MAX_PATH);
  std::wstring pasta(caminho, iTamanho);
  return pasta.substr(0, pasta.find_last_of(L"\\/"));
}

std::string Janelas(const std::string& caminho) {
  std::string c = caminho;
  for (char& ch : c)
    if (ch == '/') ch = '\\';
  return c;
}

class Processo {
 public:
  // `bSuspenso`: the process only stands in the process list, as a running ERP program.
  explicit Processo(const std::wstring& programa, const std::wstring& pasta, bool bSuspenso = false) {
    STARTUPINFOW inicio{};
    inicio.cb = sizeof inicio;
    std::wstring linha = L"\"" + programa + L"\"";
    if (!CreateProcessW(programa.c_str(), linha.data(), nullptr, nullptr, FALSE,
                        bSuspenso ? CREATE_SUSPENDED : 0, nullptr, pasta.c_str(), &inicio, &info_))
      info_ = {};
  }
  ~Processo() {
    if (!info_.hProcess) return;
    if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info_.hProcess, 99);
    CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
  }
  bool Iniciado() const { return info_.hProcess != nullptr; }
  DWORD Pid() const { return info_.dwProcessId; }
  // Waits for the end (a hung program fails the test instead of blocking it).
  bool Termina(DWORD& codigo) const {
    if (!Espera([&] { return WaitForSingleObject(info_.hProcess, 0) == WAIT_OBJECT_0; }))
      return false;
    return GetExitCodeProcess(info_.hProcess, &codigo) != 0;
  }

 private:
  PROCESS_INFORMATION info_{};
};

// The icon of that window is in the notification area when the shell takes a change to it.
bool IconePresente(HWND janela) {
  NOTIFYICONDATAW dados{};
  dados.cbSize = sizeof dados;
  dados.hWnd = janela;
  dados.uID = 0;
  dados.uFlags = NIF_TIP;
  wcscpy(dados.szTip, L"quelvix Monitor CT-e");
  return Shell_NotifyIconW(NIM_MODIFY, &dados) != FALSE;
}

HWND EsperaJanela(DWORD pid, const wchar_t* classe, const wchar_t* titulo) {
  HWND achada = nullptr;
  Espera([&] { return (achada = JanelaDoProcesso(pid, classe, titulo)) != nullptr; });
  return achada;
}

// The ERP folder of a workstation: the monitor beside the ERP's initialisation file, which
// names the server initialisation file in the "Dados" folder. Empty when a copy failed.
std::wstring InstalaMonitor(const std::string& sPastaErp, const std::string& sDados,
                            const std::string& sServidor) {
  EscreveArquivo(sDados + "servidor.ini",
                 "[Database]\r\nServidor=" + sServidor + "\r\npath=" + sDados + "\r\nname=ERP.FDB\r\n");
  EscreveArquivo(sPastaErp + "\\quelvixempresa.ini",
                 "[IniServidor]\r\nnomearquivo=" + sDados + "servidor.ini\r\n");
  const std::wstring exe = UnTextoLargo::Largo(sPastaErp) + L"\\MonitorCTe.exe";
  if (!CopyFileW((PastaDoTeste() + L"\\MonitorCTe.exe").c_str(), exe.c_str(), FALSE)) return {};
  // With a server, the client library beside the ERP programs, as the ERP installs it.
  if (!sServidor.empty() &&
      !CopyFileW((PastaDoTeste() + L"\\fbclient.dll").c_str(),
                 (UnTextoLargo::Largo(sPastaErp) + L"\\fbclient.dll").c_str(), FALSE))
    return {};
  return exe;
}

// The recording stand-in put where the monitor starts a program; gone with the test.
class ProgramaRegistrado {
 public:
  explicit ProgramaRegistrado(const std::string& caminho) : caminho_(caminho) {
    const std::string pasta = caminho.substr(0, caminho.rfind('\\'));
    SHCreateDirectoryExW(nullptr, UnTextoLargo::Largo(pasta).c_str(), nullptr);
    bInstalado_ = CopyFileW((PastaDoTeste() + L"\\registra_chamada.exe").c_str(),
                            UnTextoLargo::Largo(caminho).c_str(), FALSE) != FALSE;
  }
  ~ProgramaRegistrado() {
    DeleteFileW(UnTextoLargo::Largo(caminho_).c_str());
    DeleteFileW(UnTextoLargo::Largo(caminho_ + ".txt").c_str());
  }
  bool Instalado() const { return bInstalado_; }
  // One line a start: the working folder, a tab, the command line.
  std::vector<std::string> Chamadas() const {
    std::vector<std::string> linhas;
    const std::string texto = Existe(caminho_ + ".txt") ? LeTexto(caminho_ + ".txt") : "";
    for (size_t i = 0, fim; (fim = texto.find('\n', i)) != std::string::npos; i = fim + 1)
      linhas.push_back(texto.substr(i, fim - i));
    return linhas;
  }

 private:
  std::string caminho_;
  bool bInstalado_ = false;
};

// A shortcut as the shell reads it back: "target|description".
std::string LeAtalho(const std::string& arquivo) {
  UnCom::GaranteCom();
  UnCom::Ponteiro<IShellLinkW> atalho;
  UnCom::Ponteiro<IPersistFile> persistido;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(atalho.Endereco()))) ||
      FAILED(atalho->QueryInterface(IID_IPersistFile,
                                    reinterpret_cast<void**>(persistido.Endereco()))) ||
      FAILED(persistido->Load(UnTextoLargo::Largo(arquivo).c_str(), STGM_READ)))
    return "(no shortcut)";
  wchar_t alvo[MAX_PATH] = {}, descricao[INFOTIPSIZE] = {};
  atalho->GetPath(alvo, MAX_PATH, nullptr, 0);
  atalho->GetDescription(descricao, INFOTIPSIZE);
  return UnTextoLargo::Estreito(alvo) + "|" + UnTextoLargo::Estreito(descricao);
}

// For the documentation: with QUELVIX_TESTE_CAPTURA naming a folder, the window's geometry is
// left there and the test holds until the picture is taken (scripts/captura-tela.sh).
void AguardaFotografia(HWND janela) {
  const char* pasta = std::getenv("QUELVIX_TESTE_CAPTURA");
  if (!pasta) return;
  RECT r;
  GetWindowRect(janela, &r);
  EscreveArquivo(std::string(pasta) + "\\geometria.tmp",
                 std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top) + "+" +
                     std::to_string(r.left) + "+" + std::to_string(r.top) + "\n");
  MoveFileW(UnTextoLargo::Largo(std::string(pasta) + "\\geometria.tmp").c_str(),
            UnTextoLargo::Largo(std::string(pasta) + "\\geometria.txt").c_str());
  Espera([&] { return Existe(std::string(pasta) + "\\fotografada"); });
}

bool ServidorFirebirdDisponivel() {
  WSADATA dados;
  if (WSAStartup(MAKEWORD(2, 2), &dados) != 0) return false;
  const SOCKET conexao = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in endereco{};
  endereco.sin_family = AF_INET;
  endereco.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  endereco.sin_port = htons(3050);
  const bool bAtende = connect(conexao, reinterpret_cast<sockaddr*>(&endereco), sizeof endereco) == 0;
  closesocket(conexao);
  WSACleanup();
  return bAtende;
}

}  // namespace

// The cases against the database skip without the server, unless the test command requires it.
constexpr const char* SEM_SERVIDOR = "no Firebird server on 127.0.0.1";
#define EXIGE_SERVIDOR_FIREBIRD()                                 \
  do {                                                            \
    if (!ServidorFirebirdDisponivel()) {                          \
      if (std::getenv("MONITOR_SERVIDOR_OBRIGATORIO")) FAIL() << SEM_SERVIDOR; \
      GTEST_SKIP() << SEM_SERVIDOR;                               \
    }                                                             \
  } while (false)

TEST(MonitorCTe, SemClienteFirebirdAbreAJanelaRecusaSegundaCopiaESaiPeloMenu) {
  PastaTemporaria pasta;
  const std::string sPastaErp = Janelas(pasta / "Sistema");
  const std::string sDados = Janelas(pasta / "Dados") + "\\";
  const std::wstring exe = InstalaMonitor(sPastaErp, sDados, "");
  ASSERT_TRUE(Existe(UnTextoLargo::Estreito(exe)));
  ASSERT_EQ(FindWindowW(L"TApplication", L"quelvix Monitor CT-e"), nullptr)
      << "a monitor already runs in this session";

  Processo monitor(exe, UnTextoLargo::Largo(sPastaErp));
  ASSERT_TRUE(monitor.Iniciado());
  // Found by another program by its application window's class and title.
  ASSERT_TRUE(Espera([] { return FindWindowW(L"TApplication", L"quelvix Monitor CT-e"); }));
  HWND aplicacao = FindWindowW(L"TApplication", L"quelvix Monitor CT-e");
  DWORD pidAplicacao = 0;
  GetWindowThreadProcessId(aplicacao, &pidAplicacao);
  EXPECT_EQ(pidAplicacao, monitor.Pid());

  // The client library is missing: the standard error display, captioned with the title.
  const HWND erro = EsperaCaixaMensagem(monitor.Pid(), L"quelvix Monitor CT-e");
  ASSERT_NE(erro, nullptr);
  const std::wstring texto = TextoCaixaMensagem(erro);
  EXPECT_NE(texto.find(L"fbclient.dll"), std::wstring::npos) << UnTextoLargo::Estreito(texto);
  // Why, in the system's words and language, with its accents.
  EXPECT_NE(texto.find(UnTextoLargo::Largo(UnErroSistema::DescreveErro(ERROR_MOD_NOT_FOUND))),
            std::wstring::npos)
      << UnTextoLargo::Estreito(texto);
  EXPECT_EQ(texto.back(), L'.');
  ConfirmaCaixaMensagem(erro);

  // The window opens all the same, with every counter at "0", and its icon is in the tray.
  const HWND principal = EsperaJanela(monitor.Pid(), TfrmPrincipal::CLASSE, nullptr);
  ASSERT_NE(principal, nullptr);
  ASSERT_TRUE(Espera([&] { return IsWindowVisible(principal) != FALSE; }));
  const HWND folha = GetDlgItem(principal, TfrmPrincipal::ID_TAB_SHEET1);
  for (int i = 0; i < UnTela::QUANTIDADE_CONTADORES; ++i)
    EXPECT_EQ(TextoJanela(GetDlgItem(folha, TfrmPrincipal::ID_PRIMEIRO_CONTADOR + i)), L"0") << i;
  EXPECT_EQ(TextoJanela(GetDlgItem(folha, TfrmPrincipal::ID_LBL_VERSAO)).rfind(L"Versão: ", 0),
            0u);
  EXPECT_TRUE(IconePresente(principal));

  {
    // A second copy says so and ends; the first one goes on.
    Processo segundo(exe, UnTextoLargo::Largo(sPastaErp));
    ASSERT_TRUE(segundo.Iniciado());
    const HWND aviso = EsperaCaixaMensagem(segundo.Pid(), L"Aviso do sistema");
    ASSERT_NE(aviso, nullptr);
    EXPECT_EQ(TextoCaixaMensagem(aviso), L"O quelvix Monitor CT-e já está em execução");
    EXPECT_EQ(JanelaDoProcesso(segundo.Pid(), TfrmPrincipal::CLASSE), nullptr);
    ConfirmaCaixaMensagem(aviso);
    DWORD codigo = 99;
    ASSERT_TRUE(segundo.Termina(codigo));
    EXPECT_EQ(codigo, 0u);
    EXPECT_TRUE(IsWindow(principal));
  }

  // "&Sair" of the tray menu: the process ends with code 0 and takes its icon with it.
  PostMessageW(principal, WM_COMMAND, TfrmPrincipal::ID_SAIR1, 0);
  DWORD codigo = 99;
  ASSERT_TRUE(monitor.Termina(codigo));
  EXPECT_EQ(codigo, 0u);
  EXPECT_EQ(FindWindowW(L"TApplication", L"quelvix Monitor CT-e"), nullptr);
  EXPECT_FALSE(IconePresente(principal));
}

TEST(MonitorCTe, ComClienteFirebirdGravaARespostaNoBancoDoServidorEMoveOArquivo) {
  EXIGE_SERVIDOR_FIREBIRD();
  namespace R = RespostasTeste;
  const std::string CNPJ = "11111111000111";
  PastaTemporaria pasta;
  const std::string sPastaErp = Janelas(pasta / "Sistema");
  const std::string sDados = Janelas(pasta / "Dados") + "\\";
  const std::string sRaizCTe = Janelas(pasta / "CTe");
  // The server on the workstation itself, the database named by its Windows path.
  const std::wstring exe = InstalaMonitor(sPastaErp, sDados, "127.0.0.1/3050");
  ASSERT_TRUE(Existe(UnTextoLargo::Estreito(exe)));
  EscreveArquivo(sPastaErp + "\\DebugarDelphi.tmp", "");  // no self-update
  BancoTeste banco("127.0.0.1/3050:" + sDados + "ERP.FDB");
  banco.DefineRaizCTe(sRaizCTe);
  const int32_t id = banco.AdicionaCTe(banco.AdicionaEmpresa(CNPJ), R::CHAVE_1);
  const std::string sRetorno = sRaizCTe + "\\" + CNPJ + "\\Retorno\\";
  const std::string sArquivo = R::NomeNumeroLote(R::CHAVE_1);
  R::EscreveResposta(sRetorno + sArquivo, R::NumeroLote("123"));
  // Beside it a broken answer, which waits, and one of an unknown CT-e, whose question stays
  // open on the screen; a second company answers later.
  R::EscreveResposta(sRetorno + R::NomeEvento(R::CHAVE_1), "<retEventoCTe><infEvento>");
  const std::string sDesconhecida = R::NomeSituacao("35999999999999999999999999999999999999999999");
  R::EscreveResposta(sRetorno + sDesconhecida, R::Situacao("100", R::InfProt{}));
  // Two answers forged with the full-width apostrophe and its look-alikes, which the code
  // page's best fit turns into plain quotes: in the date and protocol of a real CT-e, and in a
  // key. Each waits, and no row changes.
  const std::string aspaLarga = "\xEF\xBC\x87";
  R::InfProt forjada;
  forjada.dhRecbto = "2024-01-01T" + aspaLarga + "--";
  forjada.nProt = "1351" + aspaLarga + "\xCA\xBC or 1=1";
  R::EscreveResposta(sRetorno + "351000012345670-pro-rec.xml", R::ResultadoLote("100", forjada));
  forjada = R::InfProt{};
  forjada.chCTe = R::CHAVE_1.substr(0, 40) + aspaLarga + " or " + aspaLarga + "1";
  R::EscreveResposta(sRetorno + "351000012345671-pro-rec.xml", R::ResultadoLote("100", forjada));
  const std::string CNPJ2 = "22222222000122";
  const int32_t id2 = banco.AdicionaCTe(banco.AdicionaEmpresa(CNPJ2), R::CHAVE_2);
  const std::string sRetorno2 = sRaizCTe + "\\" + CNPJ2 + "\\Retorno\\";
  // Its authorised document where the transmitter files it (the key's emission month), and
  // the printing program where carriers install it.
  const std::string sMesEmissao = sRaizCTe + "\\" + CNPJ2 + "\\Enviado\\Autorizados\\201206";
  SHCreateDirectoryExW(nullptr, UnTextoLargo::Largo(sMesEmissao).c_str(), nullptr);
  const std::string sAutorizado = sMesEmissao + "\\CTe" + R::CHAVE_2 + "-procCTe.xml";
  EscreveArquivo(sAutorizado, "<cteProc/>");
  const ProgramaRegistrado impressao("C:\\unimake\\uninfe\\unidanfe.exe");
  ASSERT_TRUE(impressao.Instalado());
  SHCreateDirectoryExW(nullptr, L"C:\\unimake\\unidanfe", nullptr);

  // The ERP program runs beside it, so no tick ends the monitor before "&Sair".
  const std::wstring erp = UnTextoLargo::Largo(sPastaErp) + L"\\quelvixEmpresa.exe";
  ASSERT_TRUE(CopyFileW(exe.c_str(), erp.c_str(), FALSE));
  Processo programaErp(erp, UnTextoLargo::Largo(sPastaErp), true);
  ASSERT_TRUE(programaErp.Iniciado());

  // A tick far away: what arrives later is brought by the folder watcher alone.
  SetEnvironmentVariableW(L"QUELVIX_MONITOR_INTERVALO_MS", L"600000");
  Processo monitor(exe, UnTextoLargo::Largo(sPastaErp));
  SetEnvironmentVariableW(L"QUELVIX_MONITOR_INTERVALO_MS", nullptr);
  ASSERT_TRUE(monitor.Iniciado());
  const HWND principal = EsperaJanela(monitor.Pid(), TfrmPrincipal::CLASSE, nullptr);
  ASSERT_NE(principal, nullptr);
  // The window exists before its controls do.
  HWND folha = nullptr;
  ASSERT_TRUE(Espera([&] {
    folha = GetDlgItem(principal, TfrmPrincipal::ID_TAB_SHEET1);
    return folha && GetDlgItem(folha, TfrmPrincipal::ID_LBL_NOME_ARQUIVO);
  }));
  const HWND lotesProcessados = GetDlgItem(folha, TfrmPrincipal::ID_PRIMEIRO_CONTADOR);
  // The first connection to a server just restarted by other suites can take a while.
  EXPECT_TRUE(Espera([&] { return TextoJanela(lotesProcessados) == L"1"; }, 180000));
  EXPECT_TRUE(Existe(sRetorno + "OK\\" + sArquivo));
  EXPECT_FALSE(Existe(sRetorno + sArquivo));
  EXPECT_EQ(banco.Texto("select NO_LOTE_CTE from MOV_CTE_RET where ID_CTE = " + std::to_string(id)),
            "123");
  // The one message of this start: self-update is off on this workstation.
  const HWND aviso = EsperaCaixaMensagem(monitor.Pid());
  ASSERT_NE(aviso, nullptr);
  const std::wstring sAviso = TextoCaixaMensagem(aviso);
  EXPECT_EQ(sAviso.rfind(L"O aplicativo MonitorCTe.exe não será atualizado.", 0), 0u)
      << UnTextoLargo::Estreito(sAviso);
  ConfirmaCaixaMensagem(aviso);
  ASSERT_TRUE(Espera([&] { return IsWindow(aviso) == FALSE; }));
  const HWND outra = JanelaDoProcesso(monitor.Pid(), L"#32770");
  EXPECT_EQ(outra, nullptr) << UnTextoLargo::Estreito(TextoCaixaMensagem(outra));

  // The question about the unknown CT-e's answer is open and nobody answers it...
  const HWND pergunta =
      JanelaDoProcesso(monitor.Pid(), UnPerguntaSemEspera::TfrmPerguntaSemEspera::CLASSE);
  ASSERT_NE(pergunta, nullptr);
  EXPECT_TRUE(Existe(sRaizCTe + "\\" + CNPJ + "\\Erro\\" + sDesconhecida));
  // ...while the other company's authorisation is recorded as soon as it arrives.
  R::InfProt autorizacao2;
  autorizacao2.chCTe = R::CHAVE_2;
  const std::string sResultado2 = "351000012345678-pro-rec.xml";
  R::EscreveResposta(sRetorno2 + sResultado2, R::ResultadoLote("100", autorizacao2));
  EXPECT_TRUE(Espera([&] { return Existe(sRetorno2 + "OK\\" + sResultado2); }));
  EXPECT_EQ(banco.Texto("select CD_ST_CTE from MOV_CTE_RET where ID_CTE = " + std::to_string(id2)),
            "100");
  // Printed, hidden, on its document.
  ASSERT_TRUE(Espera([&] { return !impressao.Chamadas().empty(); }));
  const std::string chamada = impressao.Chamadas().front();
  EXPECT_EQ(_stricmp(chamada.substr(0, chamada.find('\t')).c_str(), "C:\\unimake\\unidanfe"), 0)
      << chamada;
  EXPECT_NE(chamada.find(" ARQUIVO=\"" + sAutorizado + "\" COPIAS=1 SAIDAERROS=A CONFIGURACAO=\"" +
                         CNPJ2 + "\""),
            std::string::npos)
      << chamada;
  // The authority cancels it: recorded as it arrives too.
  R::InfEvento cancelamento2;
  cancelamento2.chCTe = R::CHAVE_2;
  R::EscreveResposta(sRetorno2 + R::NomeEvento(R::CHAVE_2), R::RetornoEvento(cancelamento2));
  EXPECT_TRUE(Espera([&] { return Existe(sRetorno2 + "OK\\" + R::NomeEvento(R::CHAVE_2)); }));
  EXPECT_EQ(banco.Texto("select CD_ST_CAN_CTE || ' ' || NO_PROTOCOLO_CAN_CTE from MOV_CTE_RET "
                        "where ID_CTE = " + std::to_string(id2)),
            "135 135130000054321");
  // Counted on the window: "CT-e Autorizados" and "CT-e Cancelados".
  const auto Contador = [&](int i) {
    return TextoJanela(GetDlgItem(folha, TfrmPrincipal::ID_PRIMEIRO_CONTADOR + i));
  };
  EXPECT_TRUE(Espera([&] { return Contador(6) == L"1" && Contador(8) == L"1"; }))
      << UnTextoLargo::Estreito(Contador(6) + L" " + Contador(8));
  EXPECT_TRUE(IsWindow(pergunta));
  // The broken answer and the forged ones still wait in Retorno, and the window says so.
  EXPECT_TRUE(Existe(sRetorno + R::NomeEvento(R::CHAVE_1)));
  EXPECT_TRUE(Existe(sRetorno + "351000012345670-pro-rec.xml"));
  EXPECT_TRUE(Existe(sRetorno + "351000012345671-pro-rec.xml"));
  EXPECT_EQ(banco.Inteiro("select count(*) from MOV_CTE_RET where NO_PROTOCOLO_CTE is not null "
                          "or DH_PROCESSA_CTE is not null"),
            1);
  EXPECT_TRUE(banco.Nulo("select CD_ST_CTE from MOV_CTE_RET where ID_CTE = " + std::to_string(id)));
  const HWND arquivo = GetDlgItem(folha, TfrmPrincipal::ID_LBL_NOME_ARQUIVO);
  EXPECT_TRUE(
      Espera([&] { return TextoJanela(arquivo).rfind(L"3 arquivos aguardando, o mais antigo há ", 0) == 0; }))
      << UnTextoLargo::Estreito(TextoJanela(arquivo));
  AguardaFotografia(principal);

  PostMessageW(principal, WM_COMMAND, TfrmPrincipal::ID_SAIR1, 0);
  DWORD codigo = 99;
  ASSERT_TRUE(monitor.Termina(codigo));
  EXPECT_EQ(codigo, 0u);
  // Printed once, and no connection of the monitor left on the server.
  EXPECT_EQ(impressao.Chamadas().size(), 1u);
  EXPECT_TRUE(Espera([&] {
    return banco.Inteiro("select count(*) from MON$ATTACHMENTS where MON$SYSTEM_FLAG = 0 and "
                         "MON$ATTACHMENT_ID <> CURRENT_CONNECTION") == 0;
  }));
}

// The share gone for seven seconds, ticks meeting it: no box opens, the monitor goes on, and
// an answer that comes afterwards is recorded.
TEST(MonitorCTe, PastaDadosForaAlgunsSegundosNaoAbreCaixaNemEncerra) {
  EXIGE_SERVIDOR_FIREBIRD();
  namespace R = RespostasTeste;
  const std::string CNPJ = "11111111000111";
  PastaTemporaria pasta;
  const std::string sPastaErp = Janelas(pasta / "Sistema");
  const std::string sDados = Janelas(pasta / "Dados");
  const std::string sRaizCTe = Janelas(pasta / "CTe");
  const std::wstring exe = InstalaMonitor(sPastaErp, sDados + "\\", "127.0.0.1/3050");
  EscreveArquivo(sPastaErp + "\\DebugarDelphi.tmp", "");
  BancoTeste banco("127.0.0.1/3050:" + sDados + "\\ERP.FDB");
  banco.DefineRaizCTe(sRaizCTe);
  const int32_t id = banco.AdicionaCTe(banco.AdicionaEmpresa(CNPJ), R::CHAVE_1);
  const std::wstring erp = UnTextoLargo::Largo(sPastaErp) + L"\\quelvixEmpresa.exe";
  ASSERT_TRUE(CopyFileW(exe.c_str(), erp.c_str(), FALSE));
  Processo programaErp(erp, UnTextoLargo::Largo(sPastaErp), true);
  ASSERT_TRUE(programaErp.Iniciado());
  SetEnvironmentVariableW(L"QUELVIX_MONITOR_INTERVALO_MS", L"1000");
  Processo monitor(exe, UnTextoLargo::Largo(sPastaErp));
  SetEnvironmentVariableW(L"QUELVIX_MONITOR_INTERVALO_MS", nullptr);
  ASSERT_TRUE(monitor.Iniciado());
  const HWND aviso = EsperaCaixaMensagem(monitor.Pid());  // self-update is off here
  ASSERT_NE(aviso, nullptr);
  ConfirmaCaixaMensagem(aviso);
  ASSERT_TRUE(Espera([&] { return IsWindow(aviso) == FALSE; }));

  const std::wstring dados = UnTextoLargo::Largo(sDados), fora = dados + L"-fora";
  ASSERT_TRUE(MoveFileW(dados.c_str(), fora.c_str()));
  Sleep(7000);
  const HWND caixa = JanelaDoProcesso(monitor.Pid(), L"#32770");
  EXPECT_EQ(caixa, nullptr) << UnTextoLargo::Estreito(TextoCaixaMensagem(caixa));
  ASSERT_TRUE(MoveFileW(fora.c_str(), dados.c_str()));
  const std::string sRetorno = sRaizCTe + "\\" + CNPJ + "\\Retorno\\";
  R::EscreveResposta(sRetorno + R::NomeSituacao(R::CHAVE_1), R::Situacao("100", R::InfProt{}));
  const std::string sRespondida = sRetorno + "OK\\" + R::NomeSituacao(R::CHAVE_1);
  EXPECT_TRUE(Espera([&] { return Existe(sRespondida); }, 60000));
  EXPECT_EQ(banco.Texto("select CD_ST_CTE from MOV_CTE_RET where ID_CTE = " + std::to_string(id)),
            "100");
  EXPECT_EQ(JanelaDoProcesso(monitor.Pid(), L"#32770"), nullptr);
  const HWND principal = JanelaDoProcesso(monitor.Pid(), TfrmPrincipal::CLASSE);
  ASSERT_NE(principal, nullptr);
  PostMessageW(principal, WM_COMMAND, TfrmPrincipal::ID_SAIR1, 0);
  DWORD codigo = 99;
  ASSERT_TRUE(monitor.Termina(codigo));
  EXPECT_EQ(codigo, 0u);
}

TEST(MonitorCTe, NovaVersaoPublicadaPassaAVezAoAtualizadorComAsPastasSemBrancos) {
  EXIGE_SERVIDOR_FIREBIRD();
  // Blanks in the folders, as in "Transportes Modelo": the updater takes each as one token.
  PastaTemporaria pasta;
  const std::string sEmpresa = Janelas(pasta / "Transportes Modelo");
  const std::string sPastaErp = sEmpresa + "\\Sistema ERP";
  const std::string sDados = sEmpresa + "\\Dados\\";
  const std::wstring exe = InstalaMonitor(sPastaErp, sDados, "127.0.0.1/3050");
  ASSERT_TRUE(Existe(UnTextoLargo::Estreito(exe)));
  BancoTeste banco("127.0.0.1/3050:" + sDados + "ERP.FDB");
  // The installer's marker: a shortcut on the desktop, made once.
  const std::string sMarcador = sPastaErp + "\\Exec-MonitorCTe.ini";
  EscreveArquivo(sMarcador, "[configuracao]\r\n");
  const std::string sAtalho = UnAreaTrabalho::PastaDesktop() + "Novo MonitorCTe.lnk";
  DeleteFileW(UnTextoLargo::Largo(sAtalho).c_str());
  // The shared update folder beside "Dados": the updater, and a published copy of another time.
  const std::string sUpdate = sEmpresa + "\\Update";
  const ProgramaRegistrado atualizador(sUpdate + "\\quelvixAtualizador.exe");
  ASSERT_TRUE(atualizador.Instalado());
  const std::wstring assinatura = UnTextoLargo::Largo(sUpdate) + L"\\quelvixAtualizador.exe.sig";
  const std::wstring publicada = UnTextoLargo::Largo(sUpdate) + L"\\MonitorCTe.exe";
  ASSERT_TRUE(CopyFileW(exe.c_str(), publicada.c_str(), FALSE));
  {
    const HANDLE arquivo = CreateFileW(publicada.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(arquivo, INVALID_HANDLE_VALUE);
    FILETIME escrita;
    GetSystemTimeAsFileTime(&escrita);
    ULARGE_INTEGER antes{{escrita.dwLowDateTime, escrita.dwHighDateTime}};
    antes.QuadPart -= 3600ull * 10000000ull;  // an hour back
    escrita = {antes.LowPart, antes.HighPart};
    EXPECT_TRUE(SetFileTime(arquivo, nullptr, nullptr, &escrita));
    CloseHandle(arquivo);
  }

  // A copy changed by hand beside the maker's signature is not started: the monitor goes on as
  // it is, and tells it.
  {
    std::string alterado = LeTexto(UnTextoLargo::Estreito(PastaDoTeste()) + "\\registra_chamada.exe");
    alterado[alterado.size() / 2] ^= 1;
    EscreveArquivo(sUpdate + "\\quelvixAtualizador.exe", alterado);
  }
  ASSERT_TRUE(CopyFileW((PastaDoTeste() + L"\\registra_chamada.exe.sig").c_str(),
                        assinatura.c_str(), FALSE));
  {
    Processo recusado(exe, UnTextoLargo::Largo(sPastaErp));
    ASSERT_TRUE(recusado.Iniciado());
    EXPECT_NE(EsperaJanela(recusado.Pid(), TfrmPrincipal::CLASSE, nullptr), nullptr);
    TLogAtividade log;
    log.Inicia(sPastaErp);
    EXPECT_TRUE(Espera([&] {
      return LeTexto(log.ArquivoDoDia(UnLocalidade::Agora())).find("atualizador recusado") !=
             std::string::npos;
    }));
    EXPECT_TRUE(atualizador.Chamadas().empty());
  }
  // The maker's own: started at the hand-over.
  ASSERT_TRUE(CopyFileW((PastaDoTeste() + L"\\registra_chamada.exe").c_str(),
                        UnTextoLargo::Largo(sUpdate + "\\quelvixAtualizador.exe").c_str(), FALSE));
  Processo monitor(exe, UnTextoLargo::Largo(sPastaErp));
  ASSERT_TRUE(monitor.Iniciado());
  // It says so, hands over and ends at once.
  DWORD codigo = 99;
  ASSERT_TRUE(monitor.Termina(codigo));
  EXPECT_EQ(codigo, 0u);
  ASSERT_TRUE(Espera([&] { return !atualizador.Chamadas().empty(); }));
  const auto SemBrancos = [](std::string pasta) {
    for (size_t i = pasta.find(' '); i != std::string::npos; i = pasta.find(' ', i))
      pasta.replace(i, 1, "\u00A7");
    return pasta;
  };
  const std::string chamada = atualizador.Chamadas().front();
  EXPECT_NE(chamada.find("@F1 @M" + SemBrancos(sUpdate) + " @E" + SemBrancos(sPastaErp) +
                         " @AMonitorCTe.exe"),
            std::string::npos)
      << chamada;
  EXPECT_EQ(atualizador.Chamadas().size(), 1u);
  // The shortcut points at the monitor, named and described after it; the marker is used up.
  EXPECT_EQ(LeAtalho(sAtalho), UnTextoLargo::Estreito(exe) + "|MonitorCTe");
  EXPECT_FALSE(Existe(sMarcador));
  DeleteFileW(UnTextoLargo::Largo(sAtalho).c_str());
}
