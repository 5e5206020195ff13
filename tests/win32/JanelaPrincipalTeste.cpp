// The main window built in this process: its layout, what the core shows on it, the tray icon
// data and the way it hides, opens and ends.
#include "shell/UnMonitor.h"  // before <windows.h>: see UnTela.h
#include "shell/win32/UnAplicacao.h"
#include "shell/win32/UnPrincipal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include <windows.h>
#include <commctrl.h>

#include "dialogs/win32/UnPerguntaSemEspera.h"
#include "suporte/PastaTemporaria.h"
#include "win32/UnJanelasTeste.h"

using UnJanelasTeste::TextoJanela;
using UnPerguntaSemEspera::frmPerguntaSemEspera;

namespace {

class JanelaPrincipal : public ::testing::Test {
 protected:
  JanelaPrincipal() : aplicacao(GetModuleHandleW(nullptr)), frm(aplicacao), monitor(frm) {
    frm.DefineMonitor(monitor);
  }
  ~JanelaPrincipal() override {
    // A request to end leaves WM_QUIT behind; it must not reach the next test.
    MSG msg;
    while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
  }

  HWND Folha() const { return GetDlgItem(frm.Handle(), TfrmPrincipal::ID_TAB_SHEET1); }
  HWND Item(int id) const { return GetDlgItem(Folha(), id); }
  // Left, top, width and height within the tab page.
  RECT Posicao(int id) const {
    RECT r;
    GetWindowRect(Item(id), &r);
    MapWindowPoints(nullptr, Folha(), reinterpret_cast<POINT*>(&r), 2);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
  }

  UnAplicacao::TAplicacao aplicacao;
  TfrmPrincipal frm;
  TMonitorCTe monitor;
};

// Handles this thread's messages until Timer1 of `janela` ticks: the moment of the tick, or 0
// when none came within `limiteMs`.
ULONGLONG ProximoTick(HWND janela, DWORD limiteMs) {
  const ULONGLONG fim = GetTickCount64() + limiteMs;
  while (GetTickCount64() < fim) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      const bool bTick = msg.message == WM_TIMER && msg.hwnd == janela &&
                         msg.wParam == TfrmPrincipal::ID_TIMER1;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
      if (bTick) return GetTickCount64();
    }
    Sleep(10);
  }
  return 0;
}

bool Igual(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

}  // namespace

TEST_F(JanelaPrincipal, JanelaEOsComponentesNosSeusLugares) {
  const HWND janela = frm.Handle();
  EXPECT_EQ(TextoJanela(janela), L"quelvix Monitor CT-e");
  RECT externo, cliente;
  GetWindowRect(janela, &externo);
  GetClientRect(janela, &cliente);
  EXPECT_EQ(externo.left, 764);
  EXPECT_EQ(externo.top, 175);
  EXPECT_EQ(cliente.right, 540);
  EXPECT_EQ(cliente.bottom, 357);
  const LONG_PTR estilo = GetWindowLongPtrW(janela, GWL_STYLE);
  EXPECT_TRUE(estilo & WS_SYSMENU);
  EXPECT_FALSE(estilo & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
  EXPECT_EQ(GetWindow(janela, GW_OWNER), aplicacao.Handle());

  const HWND paginas = GetDlgItem(janela, TfrmPrincipal::ID_PAGE_CONTROL1);
  ASSERT_EQ(SendMessageW(paginas, TCM_GETITEMCOUNT, 0, 0), 2);
  wchar_t aba[32] = {};
  TCITEMW item{};
  item.mask = TCIF_TEXT;
  item.pszText = aba;
  item.cchTextMax = 32;
  SendMessageW(paginas, TCM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
  EXPECT_STREQ(aba, L"Controle");
  SendMessageW(paginas, TCM_GETITEMW, 1, reinterpret_cast<LPARAM>(&item));
  EXPECT_STREQ(aba, L"Ocorrências");
  EXPECT_EQ(SendMessageW(paginas, TCM_GETCURSEL, 0, 0), 0);

  struct Esperado {
    int id;
    RECT r;
    const wchar_t* sTexto;
  };
  const Esperado componentes[] = {
      {TfrmPrincipal::ID_LBL_VERSAO, {144, 7, 225, 13}, nullptr},
      {TfrmPrincipal::ID_BEVEL1, {0, 29, 535, 4}, nullptr},
      {TfrmPrincipal::ID_GROUP_BOX1, {8, 41, 249, 211}, L"Arquivos Processados com Sucesso"},
      {TfrmPrincipal::ID_GROUP_BOX2, {264, 41, 265, 211}, L"Arquivos com Problemas"},
      {TfrmPrincipal::ID_BEVEL2, {0, 262, 538, 4}, nullptr},
      {TfrmPrincipal::ID_BEVEL3, {0, 294, 538, 4}, nullptr},
      {TfrmPrincipal::ID_BIT_BTN3, {167, 301, 91, 25}, L"Reiniciar"},
      {TfrmPrincipal::ID_BIT_BTN2, {264, 301, 115, 25}, L"Zerar Valores"},
      {TfrmPrincipal::ID_BIT_BTN1, {384, 301, 147, 25}, L"Minimizar"},
  };
  for (const auto& c : componentes) {
    SCOPED_TRACE(c.id);
    const RECT r = Posicao(c.id);
    EXPECT_TRUE(Igual(r, c.r)) << r.left << "," << r.top << "," << r.right << "," << r.bottom;
    if (c.sTexto) {
      EXPECT_EQ(TextoJanela(Item(c.id)), c.sTexto);
    }
  }
  // "Lendo Arquivo:" sizes itself to its text, at least as designed.
  const RECT lendo = Posicao(TfrmPrincipal::ID_LABEL10);
  EXPECT_EQ(lendo.left, 8);
  EXPECT_EQ(lendo.top, 272);
  EXPECT_GE(lendo.right, 72);
  EXPECT_EQ(TextoJanela(Item(TfrmPrincipal::ID_LABEL10)), L"Lendo Arquivo:");
  // The file name follows it, at 84 as designed or further right, ending at 529.
  const RECT arquivo = Posicao(TfrmPrincipal::ID_LBL_NOME_ARQUIVO);
  EXPECT_GE(arquivo.left, std::max(84L, lendo.left + lendo.right));
  EXPECT_EQ(arquivo.left + arquivo.right, 84 + 445);
  EXPECT_EQ(arquivo.top, 272);
  EXPECT_EQ(TextoJanela(Item(TfrmPrincipal::ID_LBL_NOME_ARQUIVO)), L"");
  // Value labels: 45 wide at 188 in the first group and 208 in the second, on their rows.
  struct Linha {
    const wchar_t* sLegenda;
    int iEsquerda, iTopo;
  };
  const Linha linhas[UnTela::QUANTIDADE_CONTADORES] = {
      {L"Lotes Processados =", 8 + 188, 41 + 26},
      {L"Solicitações Inconsistentes =", 264 + 208, 41 + 26},
      {L"Pedidos Gerados =", 8 + 188, 41 + 52},
      {L"Lotes com o Erro =", 264 + 208, 41 + 52},
      {L"Confirmações Recebidas  =", 8 + 188, 41 + 79},
      {L"Confirmações com Erro =", 264 + 208, 41 + 81},
      {L"CT-e Autorizados =", 8 + 188, 41 + 105},
      {L"CT-e com Erro =", 264 + 208, 41 + 108},
      {L"CT-e Cancelados =", 8 + 188, 41 + 132},
      {L"Consultas do CT-e =", 8 + 188, 41 + 183},
      {L"Consultas com Erro =", 264 + 208, 41 + 135}};
  for (int i = 0; i < UnTela::QUANTIDADE_CONTADORES; ++i) {
    SCOPED_TRACE(i);
    const RECT valor = Posicao(TfrmPrincipal::ID_PRIMEIRO_CONTADOR + i);
    EXPECT_EQ(valor.left, linhas[i].iEsquerda);
    EXPECT_EQ(valor.top, linhas[i].iTopo);
    EXPECT_EQ(valor.right, 45);
    EXPECT_EQ(TextoJanela(Item(TfrmPrincipal::ID_PRIMEIRA_LEGENDA + i)), linhas[i].sLegenda);
    EXPECT_EQ(Posicao(TfrmPrincipal::ID_PRIMEIRA_LEGENDA + i).top, linhas[i].iTopo);
  }
}

TEST_F(JanelaPrincipal, MostraOQueONucleoManda) {
  std::array<std::string, UnTela::QUANTIDADE_CONTADORES> valores;
  for (int i = 0; i < UnTela::QUANTIDADE_CONTADORES; ++i) valores[i] = std::to_string(100 + i);
  frm.MostraContadores(valores);
  for (int i = 0; i < UnTela::QUANTIDADE_CONTADORES; ++i)
    EXPECT_EQ(TextoJanela(Item(TfrmPrincipal::ID_PRIMEIRO_CONTADOR + i)),
              std::to_wstring(100 + i));
  frm.MostraArquivo("35190000000000000000570010000000011000000010-pro-rec.xml");
  EXPECT_EQ(TextoJanela(Item(TfrmPrincipal::ID_LBL_NOME_ARQUIVO)),
            L"35190000000000000000570010000000011000000010-pro-rec.xml");
  frm.MostraVersao("Versão: 09/12/2026 05:59");
  EXPECT_EQ(TextoJanela(Item(TfrmPrincipal::ID_LBL_VERSAO)), L"Versão: 09/12/2026 05:59");

  // "Zerar Valores" through the button: every value label "0", the file label empty.
  SendMessageW(frm.Handle(), WM_COMMAND, MAKEWPARAM(TfrmPrincipal::ID_BIT_BTN2, BN_CLICKED), 0);
  for (int i = 0; i < UnTela::QUANTIDADE_CONTADORES; ++i)
    EXPECT_EQ(TextoJanela(Item(TfrmPrincipal::ID_PRIMEIRO_CONTADOR + i)), L"0");
  EXPECT_EQ(TextoJanela(Item(TfrmPrincipal::ID_LBL_NOME_ARQUIVO)), L"");
}

TEST_F(JanelaPrincipal, IconeDaBandejaEOCicloParadoNaDica) {
  frm.Bandeja().Adiciona(frm.Handle(), LoadIconW(GetModuleHandleW(nullptr), L"MAINICON"),
                         L"quelvix Monitor CT-e");
  const NOTIFYICONDATAW& dados = frm.Bandeja().TrayIconData;
  EXPECT_EQ(dados.cbSize, sizeof(NOTIFYICONDATAW));
  EXPECT_EQ(dados.hWnd, frm.Handle());
  EXPECT_EQ(dados.uID, 0u);
  EXPECT_EQ(dados.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_SHOWTIP));
  EXPECT_EQ(dados.uCallbackMessage, 1025u);
  EXPECT_NE(dados.hIcon, nullptr);
  EXPECT_STREQ(dados.szTip, L"quelvix Monitor CT-e");
  EXPECT_TRUE(frm.Bandeja().Presente());

  frm.MostraCicloParado("Table unknown TAB_PARAMETRO");
  EXPECT_STREQ(dados.szTip, L"quelvix Monitor CT-e - parado");
  EXPECT_EQ(TextoJanela(Item(TfrmPrincipal::ID_LBL_NOME_ARQUIVO)), L"Table unknown TAB_PARAMETRO");
  frm.MostraCicloParado("");
  EXPECT_STREQ(dados.szTip, L"quelvix Monitor CT-e");
  // The taskbar re-created: the icon goes back.
  SendMessageW(frm.Handle(), UnBandeja::MensagemTaskbarCreated(), 0, 0);
  EXPECT_TRUE(frm.Bandeja().Presente());
  DestroyWindow(frm.Handle());  // FormDestroy removes it
  EXPECT_FALSE(frm.Bandeja().Presente());
}

TEST_F(JanelaPrincipal, FecharEsconde_IconeAbre_SairEncerra) {
  const HWND janela = frm.Handle();
  ShowWindow(janela, SW_SHOW);
  SendMessageW(janela, WM_SYSCOMMAND, SC_CLOSE, 0);  // the close box
  EXPECT_TRUE(IsWindow(janela));
  EXPECT_FALSE(IsWindowVisible(janela));
  SendMessageW(aplicacao.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);  // the taskbar entry's close
  EXPECT_FALSE(aplicacao.Terminando());
  SendMessageW(janela, WM_COMMAND, MAKEWPARAM(TfrmPrincipal::ID_BIT_BTN1, BN_CLICKED), 0);
  EXPECT_FALSE(IsWindowVisible(janela));

  // A double-click on the icon opens the window and hides the application window.
  SendMessageW(janela, UnBandeja::WM_ICONE_BANDEJA, 0, WM_LBUTTONDBLCLK);
  EXPECT_TRUE(IsWindowVisible(janela));
  EXPECT_FALSE(IsWindowVisible(aplicacao.Handle()));

  // "&Sair" asks the application to end with code 0; no core handler runs any more.
  EXPECT_FALSE(aplicacao.Terminando());
  SendMessageW(janela, WM_COMMAND, TfrmPrincipal::ID_SAIR1, 0);
  EXPECT_TRUE(aplicacao.Terminando());
  try {
    aplicacao.VerificaFim();
    ADD_FAILURE() << "the end was not raised";
  } catch (const UnTela::EFimMonitor& fim) {
    EXPECT_EQ(fim.iCodigoSaida, 0);
  }
  EXPECT_THROW(frm.ProcessaMensagens(), UnTela::EFimMonitor);
}

TEST_F(JanelaPrincipal, ReiniciarComecaOIntervaloDoTimer1DeNovo) {
  // The ticks' checks run in every state: here they find the ERP program and the data folder,
  // so the monitor goes on.
  PastaTemporaria pasta;
  EscreveArquivo(pasta / "Dados/leia.txt", "");
  EscreveArquivo(pasta / "Sistema/MonitorCTe.exe", "");
  monitor.sCaminhoExecutavel = pasta.Caminho() + "\\Sistema\\MonitorCTe.exe";
  monitor.ListaProcessos = [] {
    return std::optional<std::vector<std::string>>(std::vector<std::string>{"quelvixEmpresa.exe"});
  };
  const HWND janela = frm.Handle();
  const ULONGLONG tick = ProximoTick(janela, 10000);
  ASSERT_NE(tick, 0u);
  // Late in the interval. Without a database the pass of "Reiniciar" fails at once and the
  // standard error display says so; a user confirms it.
  UnJanelasTeste::Espera([&] { return GetTickCount64() >= tick + 3500; });
  std::atomic<bool> bConfirmado{false};
  std::thread usuario([&] {
    const HWND caixa =
        UnJanelasTeste::EsperaCaixaMensagem(GetCurrentProcessId(), L"quelvix Monitor CT-e");
    if (caixa) UnJanelasTeste::ConfirmaCaixaMensagem(caixa);
    bConfirmado = caixa != nullptr;
  });
  SendMessageW(janela, WM_COMMAND, MAKEWPARAM(TfrmPrincipal::ID_BIT_BTN3, BN_CLICKED), 0);
  const ULONGLONG fimReinicio = GetTickCount64();
  usuario.join();
  ASSERT_TRUE(bConfirmado);
  // The next tick comes a whole interval after the pass, not when the old one would end.
  const ULONGLONG proximo = ProximoTick(janela, 12000);
  ASSERT_NE(proximo, 0u);
  EXPECT_GE(proximo - fimReinicio, 4000u);
}

TEST_F(JanelaPrincipal, PerguntaNaoEsperaEOSimAbreOArquivoDepois) {
  std::vector<UnProcessos::PedidoExecucao> pedidos;
  monitor.Executa = [&](const UnProcessos::PedidoExecucao& p) {
    pedidos.push_back(p);
    return true;
  };
  // Two error files in one pass: both calls come back at once, and one window asks about
  // them one after the other.
  monitor.MostraArquivoErro("C:\\CTe\\1\\Erro\\a-cte.err");
  monitor.MostraArquivoErro("C:\\CTe\\1\\Erro\\b-cte.err");
  ASSERT_NE(frmPerguntaSemEspera, nullptr);
  const HWND pergunta = frmPerguntaSemEspera->Handle();
  EXPECT_TRUE(IsWindowVisible(pergunta));
  EXPECT_EQ(GetWindow(pergunta, GW_OWNER), frm.Handle());
  EXPECT_EQ(TextoJanela(pergunta), L"Confirm");
  EXPECT_EQ(TextoJanela(frmPerguntaSemEspera->lblPergunta),
            L"Ocorreu um erro na geração deste CT-e. Deseja visualizar o arquivo de erro?");
  EXPECT_EQ(TextoJanela(frmPerguntaSemEspera->btnSim), L"&Yes");
  EXPECT_EQ(TextoJanela(frmPerguntaSemEspera->btnNao), L"&No");
  EXPECT_EQ(frmPerguntaSemEspera->Pendentes(), 2u);
  EXPECT_EQ(TextoJanela(frmPerguntaSemEspera->lblArquivo), L"Arquivo 1 de 2: a-cte.err");
  EXPECT_NE(GetForegroundWindow(), pergunta);  // it flashes, it takes nobody's keyboard
  EXPECT_TRUE(pedidos.empty());

  SendMessageW(frmPerguntaSemEspera->btnSim, BM_CLICK, 0, 0);
  ASSERT_EQ(pedidos.size(), 1u);
  EXPECT_EQ(pedidos[0].sArquivo, "explorer");
  EXPECT_EQ(pedidos[0].sParametros, "C:\\CTe\\1\\Erro\\a-cte.err");
  EXPECT_FALSE(pedidos[0].bOculto);
  ASSERT_TRUE(IsWindow(pergunta));  // the second question is still there
  EXPECT_EQ(frmPerguntaSemEspera->Pendentes(), 1u);
  EXPECT_EQ(TextoJanela(frmPerguntaSemEspera->lblArquivo), L"Arquivo 2 de 2: b-cte.err");
  SendMessageW(frmPerguntaSemEspera->btnSim, BM_CLICK, 0, 0);
  ASSERT_EQ(pedidos.size(), 2u);
  EXPECT_EQ(pedidos[1].sParametros, "C:\\CTe\\1\\Erro\\b-cte.err");
  EXPECT_FALSE(IsWindow(pergunta));
  EXPECT_EQ(frmPerguntaSemEspera, nullptr);

  // "No" opens nothing.
  monitor.MostraArquivoErro("C:\\CTe\\1\\Erro\\c-cte.err");
  ASSERT_NE(frmPerguntaSemEspera, nullptr);
  SendMessageW(frmPerguntaSemEspera->btnNao, BM_CLICK, 0, 0);
  EXPECT_EQ(frmPerguntaSemEspera, nullptr);
  EXPECT_EQ(pedidos.size(), 2u);
}

TEST_F(JanelaPrincipal, SairComPerguntasAbertasNaoRespondeMaisNada) {
  int iRespostas = 0;
  frm.PerguntaSemEspera("primeira", "a-cte.err", [&] { ++iRespostas; });
  frm.PerguntaSemEspera("segunda", "b-cte.err", [&] { ++iRespostas; });
  ASSERT_NE(frmPerguntaSemEspera, nullptr);
  const HWND pergunta = frmPerguntaSemEspera->Handle();
  SendMessageW(frm.Handle(), WM_COMMAND, TfrmPrincipal::ID_SAIR1, 0);
  ASSERT_TRUE(aplicacao.Terminando());
  // A "Yes" given while the monitor ends reaches nothing of it.
  SendMessageW(frmPerguntaSemEspera->btnSim, BM_CLICK, 0, 0);
  EXPECT_EQ(iRespostas, 0);
  // The question still waiting goes with the main window, unanswered.
  ASSERT_TRUE(IsWindow(pergunta));
  DestroyWindow(frm.Handle());
  EXPECT_FALSE(IsWindow(pergunta));
  EXPECT_EQ(frmPerguntaSemEspera, nullptr);
  EXPECT_EQ(iRespostas, 0);
}

// A weekend of error files: one question per file, a few dozen at most, and closing the window
// answers all of them.
TEST_F(JanelaPrincipal, MilPerguntasFicamNumaFilaLimitadaQueOFecharResponde) {
  int iRespostas = 0;
  for (int i = 0; i < 1000; ++i) {
    const std::string arquivo = "C:\\CTe\\1\\Erro\\" + std::to_string(i) + "-cte.err";
    frm.PerguntaSemEspera("pergunta", arquivo, [&] { ++iRespostas; });
    frm.PerguntaSemEspera("pergunta", arquivo, [&] { ++iRespostas; });  // the same file again
  }
  ASSERT_NE(frmPerguntaSemEspera, nullptr);
  const HWND pergunta = frmPerguntaSemEspera->Handle();
  EXPECT_EQ(frmPerguntaSemEspera->Pendentes(),
            UnPerguntaSemEspera::TfrmPerguntaSemEspera::MAXIMO_PENDENTES);
  EXPECT_EQ(TextoJanela(frmPerguntaSemEspera->lblArquivo),
            L"Arquivo 1 de 50: 0-cte.err (mais 950 na pasta Erro, sem pergunta)");
  SendMessageW(pergunta, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(pergunta));
  EXPECT_EQ(frmPerguntaSemEspera, nullptr);
  EXPECT_EQ(iRespostas, 0);
}

// The session's end and a close sent from outside (taskkill) end the monitor as "&Sair" does,
// at the point between two files where a pass lets messages run, with the reason in the log.
TEST_F(JanelaPrincipal, FimDaSessaoEFecharDeForaEncerramEntreDoisArquivos) {
  PastaTemporaria pasta;
  monitor.Log.Inicia(pasta.Caminho());
  EXPECT_EQ(SendMessageW(frm.Handle(), WM_QUERYENDSESSION, 0, 0), TRUE);
  PostMessageW(frm.Handle(), WM_ENDSESSION, TRUE, 0);
  EXPECT_THROW(monitor.ProcessaEmpresas(), UnTela::EFimMonitor);  // the pass lets messages run
  EXPECT_TRUE(aplicacao.Terminando());
  EXPECT_EQ(aplicacao.Motivo(), "fim da sessão do Windows");
  EXPECT_NE(LeTexto(monitor.Log.ArquivoDoDia(UnLocalidade::Agora()))
                .find("fim do monitor (fim da sessão do Windows), código 0"),
            std::string::npos);
}

TEST_F(JanelaPrincipal, FecharDeForaEncerraComoSair) {
  PastaTemporaria pasta;
  monitor.Log.Inicia(pasta.Caminho());
  PostMessageW(aplicacao.Handle(), WM_CLOSE, 0, 0);  // what taskkill without /F sends
  EXPECT_THROW(frm.ProcessaMensagens(), UnTela::EFimMonitor);
  EXPECT_EQ(aplicacao.Motivo(), "fechado por outro programa");
  EXPECT_NE(LeTexto(monitor.Log.ArquivoDoDia(UnLocalidade::Agora()))
                .find("fim do monitor (fechado por outro programa), código 0"),
            std::string::npos);
}

// The day's occurrences: a page of rows, newest first, that asks for what it shows; alerts
// that come together make one balloon, whose click opens the page; a double click opens the
// file where it lies.
TEST_F(JanelaPrincipal, OcorrenciasNaPaginaUmBalaoParaVariasEDuploCliqueAbreOArquivo) {
  frm.Bandeja().Adiciona(frm.Handle(), LoadIconW(GetModuleHandleW(nullptr), L"MAINICON"),
                         L"quelvix Monitor CT-e");
  std::vector<UnProcessos::PedidoExecucao> pedidos;
  monitor.Executa = [&](const UnProcessos::PedidoExecucao& p) {
    pedidos.push_back(p);
    return true;
  };
  using UnOcorrencias::Ocorrencia;
  frm.MostraOcorrencia({"08:00:00", "12345678000199", "7", UnOcorrencias::REJEITADO, "204",
                        "C:\\CTe\\antes.xml", true},
                       true);  // an earlier run's: a row, no balloon
  for (const char* numero : {"12", "13", "14"})
    frm.MostraOcorrencia({"09:00:00", "12345678000199", numero, UnOcorrencias::REJEITADO,
                          "539 - Rejeição: Duplicidade de CT-e",
                          std::string("C:\\CTe\\Erro\\") + numero + "-pro-rec.xml", true},
                         false);
  const HWND lista = frm.ListaOcorrencias();
  ASSERT_EQ(SendMessageW(lista, LVM_GETITEMCOUNT, 0, 0), 4);
  const auto Celula = [&](int linha, int coluna) {
    wchar_t texto[512] = L"";
    LVITEMW item{};
    item.iSubItem = coluna;
    item.pszText = texto;
    item.cchTextMax = 512;
    SendMessageW(lista, LVM_GETITEMTEXTW, linha, reinterpret_cast<LPARAM>(&item));
    return std::wstring(texto);
  };
  EXPECT_EQ(Celula(0, 2), L"14");
  EXPECT_EQ(Celula(0, 3), L"(!) rejeitado: 539 - Rejeição: Duplicidade de CT-e");
  EXPECT_EQ(Celula(3, 4), L"C:\\CTe\\antes.xml");

  // The three alerts of this run, once they have come: one balloon.
  EXPECT_STREQ(frm.Bandeja().UltimoBalao().szInfo, L"");
  UnJanelasTeste::Espera([&] {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    return frm.Bandeja().UltimoBalao().szInfo[0] != L'\0';
  });
  EXPECT_STREQ(frm.Bandeja().UltimoBalao().szInfo, L"3 CT-e rejeitados");
  EXPECT_EQ(frm.Bandeja().UltimoBalao().uFlags, static_cast<UINT>(NIF_INFO));
  EXPECT_STREQ(frm.Bandeja().TrayIconData.szInfo, L"");  // a later tooltip change sends none

  NMITEMACTIVATE clique{};
  clique.hdr.hwndFrom = lista;
  clique.hdr.idFrom = TfrmPrincipal::ID_LST_OCORRENCIAS;
  clique.hdr.code = NM_DBLCLK;
  clique.iItem = 3;  // a file the CT-e tree does not hold: not shown
  SendMessageW(frm.Handle(), WM_NOTIFY, clique.hdr.idFrom, reinterpret_cast<LPARAM>(&clique));
  EXPECT_TRUE(pedidos.empty());
  monitor.it_sPastaRaizCTe = "C:\\CTe\\";
  SendMessageW(frm.Handle(), WM_NOTIFY, clique.hdr.idFrom, reinterpret_cast<LPARAM>(&clique));
  EXPECT_TRUE(pedidos.empty()) << "in the CT-e root, not in a company's folder";
  clique.iItem = 1;
  SendMessageW(frm.Handle(), WM_NOTIFY, clique.hdr.idFrom, reinterpret_cast<LPARAM>(&clique));
  ASSERT_EQ(pedidos.size(), 1u);
  EXPECT_EQ(pedidos[0].sArquivo, "explorer");
  EXPECT_EQ(pedidos[0].sParametros, "C:\\CTe\\Erro\\13-pro-rec.xml");

  // A click on the balloon opens the window on the page.
  SendMessageW(frm.Handle(), UnBandeja::WM_ICONE_BANDEJA, 0, NIN_BALLOONUSERCLICK);
  EXPECT_TRUE(IsWindowVisible(frm.Handle()));
  EXPECT_TRUE(IsWindowVisible(lista));
  EXPECT_FALSE(IsWindowVisible(Folha()));
}

// The tray menu runs a modal loop of its own: the ticks that fall due while it is open run
// under it, and it stays open until the person closes it.
TEST_F(JanelaPrincipal, MenuDaBandejaAbertoNaoSeguraOTick) {
  PastaTemporaria pasta;
  EscreveArquivo(pasta / "Dados/leia.txt", "");
  EscreveArquivo(pasta / "Sistema/MonitorCTe.exe", "");
  monitor.sCaminhoExecutavel = pasta.Caminho() + "\\Sistema\\MonitorCTe.exe";
  std::atomic<int> iVerificacoes{0};
  monitor.ListaProcessos = [&] {
    ++iVerificacoes;  // each tick's checks
    return std::optional<std::vector<std::string>>(std::vector<std::string>{"quelvixEmpresa.exe"});
  };
  SetTimer(frm.Handle(), TfrmPrincipal::ID_TIMER1, 300, nullptr);
  // The person looks at the menu for two seconds (several ticks), then closes it with Esc.
  std::atomic<bool> bAbertoDepoisDosTicks{false};
  std::atomic<int> iVerificacoesComMenu{0};
  std::thread pessoa([&] {
    Sleep(2000);
    HWND menu = FindWindowW(L"#32768", nullptr);
    bAbertoDepoisDosTicks = menu && IsWindowVisible(menu);
    iVerificacoesComMenu = iVerificacoes.load();
    for (int i = 0; i < 100 && (menu = FindWindowW(L"#32768", nullptr)); ++i) {
      PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
      Sleep(50);
    }
  });
  const ULONGLONG inicio = GetTickCount64();
  SendMessageW(frm.Handle(), UnBandeja::WM_ICONE_BANDEJA, 0, WM_RBUTTONDOWN);  // the menu's loop
  const ULONGLONG aberto = GetTickCount64() - inicio;
  pessoa.join();
  EXPECT_TRUE(bAbertoDepoisDosTicks);
  EXPECT_GE(aberto, 1900u);
  EXPECT_GE(iVerificacoesComMenu, 2);  // the ticks ran under the open menu
  KillTimer(frm.Handle(), TfrmPrincipal::ID_TIMER1);
}
