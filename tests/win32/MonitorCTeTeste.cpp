// MonitorCTe.exe as the user meets it on an ERP workstation without a Firebird client: it
// starts, says why it cannot connect, opens its window, refuses a second copy and ends
// through the tray menu's "&Sair".
#include "shell/win32/UnPrincipal.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include "platform/win32/UnErroSistema.h"
#include "platform/win32/UnTextoLargo.h"
#include "suporte/PastaTemporaria.h"
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
  explicit Processo(const std::wstring& programa, const std::wstring& pasta) {
    STARTUPINFOW inicio{};
    inicio.cb = sizeof inicio;
    std::wstring linha = L"\"" + programa + L"\"";
    if (!CreateProcessW(programa.c_str(), linha.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        pasta.c_str(), &inicio, &info_))
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

}  // namespace

TEST(MonitorCTe, SemClienteFirebirdAbreAJanelaRecusaSegundaCopiaESaiPeloMenu) {
  PastaTemporaria pasta;
  const std::string sPastaErp = Janelas(pasta / "Sistema");
  const std::string sDados = Janelas(pasta / "Dados") + "\\";
  EscreveArquivo(pasta / "Dados/servidor.ini",
                 "[Database]\r\nServidor=\r\npath=" + sDados + "\r\nname=ERP.FDB\r\n");
  EscreveArquivo(pasta / "Sistema/quelvixempresa.ini",
                 "[IniServidor]\r\nnomearquivo=" + sDados + "servidor.ini\r\n");
  const std::wstring exe = UnTextoLargo::Largo(sPastaErp) + L"\\MonitorCTe.exe";
  ASSERT_TRUE(CopyFileW((PastaDoTeste() + L"\\MonitorCTe.exe").c_str(), exe.c_str(), FALSE));
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
  const HWND erro = EsperaJanela(monitor.Pid(), L"#32770", L"quelvix Monitor CT-e");
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
    const HWND aviso = EsperaJanela(segundo.Pid(), L"#32770", L"Aviso do sistema");
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
