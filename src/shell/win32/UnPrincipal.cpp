#include "shell/UnMonitor.h"  // before <windows.h>: see UnTela.h
#include "shell/win32/UnPrincipal.h"

#include <commctrl.h>

#include <algorithm>
#include <tuple>
#include <utility>

#include "dialogs/win32/UnControles.h"
#include "dialogs/win32/UnMensagemConfirmarGenerica.h"
#include "dialogs/win32/UnPerguntaSemEspera.h"
#include "platform/UnLocalidade.h"
#include "platform/win32/UnObservaPastasWin32.h"
#include "platform/win32/UnTextoLargo.h"
#include "processing/UnArquivosEmEspera.h"
#include "shell/UnAjustesCiclo.h"

using UnControles::CriaControle;
using UnTextoLargo::Largo;

namespace {

// Fixed single border, only the close box in the caption.
constexpr DWORD ESTILO = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr int ESQUERDA = 764, TOPO = 175, LARGURA_CLIENTE = 540, ALTURA_CLIENTE = 357;
constexpr wchar_t TIP_PARADO[] = L"quelvix Monitor CT-e - parado";

struct LinhaContador {
  const wchar_t* sLegenda;
  bool bGrupo2;
  int iTopo;
};

// In the order of the counter fields.
constexpr LinhaContador LINHAS[UnTela::QUANTIDADE_CONTADORES] = {
    {L"Lotes Processados =", false, 26},          {L"Solicitações Inconsistentes =", true, 26},
    {L"Pedidos Gerados =", false, 52},            {L"Lotes com o Erro =", true, 52},
    {L"Confirmações Recebidas  =", false, 79},    {L"Confirmações com Erro =", true, 81},
    {L"CT-e Autorizados =", false, 105},          {L"CT-e com Erro =", true, 108},
    {L"CT-e Cancelados =", false, 132},           {L"Consultas do CT-e =", false, 183},
    {L"Consultas com Erro =", true, 135}};

struct Grupo {
  int x, y, largura, altura, iEsquerdaValor;
};
constexpr Grupo GROUP_BOX1{8, 41, 249, 211, 188};
constexpr Grupo GROUP_BOX2{264, 41, 265, 211, 208};
constexpr int ALTURA_LINHA = 18, LARGURA_VALOR = 45;

void RegistraClasse(HINSTANCE instancia, HICON icone) {
  WNDCLASSEXW c{};
  c.cbSize = sizeof c;
  c.lpfnWndProc = DefWindowProcW;
  c.hInstance = instancia;
  c.hIcon = icone;
  c.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  c.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  c.lpszClassName = TfrmPrincipal::CLASSE;
  RegisterClassExW(&c);
}

}  // namespace

TfrmPrincipal::TfrmPrincipal(UnAplicacao::TAplicacao& aplicacao) : aplicacao_(aplicacao) {
  icone_ = LoadIconW(aplicacao.Instancia(), L"MAINICON");
  RegistraClasse(aplicacao.Instancia(), icone_);
  const SIZE externo = UnControles::TamanhoExterno(ESTILO, 0, LARGURA_CLIENTE, ALTURA_CLIENTE);
  handle_ = CreateWindowExW(0, CLASSE, Largo(TITULO_APLICACAO).c_str(), ESTILO, ESQUERDA, TOPO,
                            externo.cx, externo.cy, aplicacao.Handle(), nullptr,
                            aplicacao.Instancia(), nullptr);
  SetWindowLongPtrW(handle_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongPtrW(handle_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WndProc));
  // Only the close box: the system menu offers neither size nor maximise.
  if (HMENU sistema = GetSystemMenu(handle_, FALSE)) {
    DeleteMenu(sistema, SC_SIZE, MF_BYCOMMAND);
    DeleteMenu(sistema, SC_MAXIMIZE, MF_BYCOMMAND);
    DeleteMenu(sistema, SC_MINIMIZE, MF_BYCOMMAND);
    DeleteMenu(sistema, SC_RESTORE, MF_BYCOMMAND);
  }
  CriaComponentes();
  CriaMenu();
  // Timer1 runs from the start: a stopped cycle still needs the checks that end the monitor.
  SetTimer(handle_, ID_TIMER1, UnAjustesCiclo::RetornaIntervaloCiclo(), nullptr);
  aplicacao_.DefineEspera([this] { return UnObservaPastas::Eventos(observador_.Observador()); },
                          [this] { AnotaPastasAlteradas(); });
  aplicacao_.DefineAoFechar([this] { EncerraPorFora("fechado por outro programa"); });
}

TfrmPrincipal::~TfrmPrincipal() {
  aplicacao_.DefineEspera({}, {});
  aplicacao_.DefineAoFechar({});
  if (handle_) DestroyWindow(handle_);
  if (PopupMenu1) DestroyMenu(PopupMenu1);
  for (HFONT f : {fonte_, fonteNegrito_, fonteContadores_})
    if (f) DeleteObject(f);
  for (HICON i : imagens_)
    if (i) DestroyIcon(i);
}

void TfrmPrincipal::CriaComponentes() {
  fonte_ = UnControles::CriaFonte(L"MS Sans Serif", -11);
  fonteNegrito_ = UnControles::CriaFonte(L"MS Sans Serif", -11, true);
  // The rows' font is given by its cell height.
  fonteContadores_ = UnControles::CriaFonte(L"MS Sans Serif", 15);
  SendMessageW(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(fonte_), FALSE);

  // PageControl1 fills the client area; each page's sheet lies over its page area.
  PageControl1 = CriaControle(handle_, WC_TABCONTROLW, L"", WS_CLIPSIBLINGS, 0, 0,
                              LARGURA_CLIENTE, ALTURA_CLIENTE, ID_PAGE_CONTROL1, fonte_);
  int iAba = 0;
  for (const wchar_t* legenda : {L"Controle", L"Ocorrências"}) {
    TCITEMW aba{};
    aba.mask = TCIF_TEXT;
    std::wstring texto = legenda;
    aba.pszText = texto.data();
    SendMessageW(PageControl1, TCM_INSERTITEMW, iAba++, reinterpret_cast<LPARAM>(&aba));
  }
  RECT pagina{0, 0, LARGURA_CLIENTE, ALTURA_CLIENTE};
  SendMessageW(PageControl1, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&pagina));
  const int iLarguraPagina = pagina.right - pagina.left, iAlturaPagina = pagina.bottom - pagina.top;
  TabSheet1 = UnControles::CriaConteiner(handle_, pagina.left, pagina.top, iLarguraPagina,
                                         iAlturaPagina, ID_TAB_SHEET1);
  SetWindowPos(TabSheet1, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  TabSheet2 = UnControles::CriaConteiner(handle_, pagina.left, pagina.top, iLarguraPagina,
                                         iAlturaPagina, ID_TAB_SHEET2);
  SetWindowPos(TabSheet2, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  ShowWindow(TabSheet2, SW_HIDE);
  // Newest first; the list asks for the rows it shows (a few thousand at most).
  lstOcorrencias = CriaControle(TabSheet2, WC_LISTVIEWW, L"",
                                LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL | LVS_SHOWSELALWAYS |
                                    WS_BORDER | WS_TABSTOP,
                                4, 4, iLarguraPagina - 8, iAlturaPagina - 8, ID_LST_OCORRENCIAS,
                                fonte_);
  SendMessageW(lstOcorrencias, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT,
               LVS_EX_FULLROWSELECT);
  int iColuna = 0;
  for (const auto& [titulo, largura] :
       {std::pair{L"Hora", 60}, {L"Empresa", 104}, {L"CT-e", 48}, {L"O que houve", 320},
        {L"Arquivo", 400}}) {
    LVCOLUMNW coluna{};
    coluna.mask = LVCF_TEXT | LVCF_WIDTH;
    std::wstring texto = titulo;
    coluna.pszText = texto.data();
    coluna.cx = largura;
    SendMessageW(lstOcorrencias, LVM_INSERTCOLUMNW, iColuna++, reinterpret_cast<LPARAM>(&coluna));
  }
  HWND pai = TabSheet1;

  lblVersao = CriaControle(pai, L"STATIC", L"", SS_CENTER | SS_NOPREFIX, 144, 7, 225, 13,
                           ID_LBL_VERSAO, fonte_);
  UnControles::CriaLinha(pai, 0, 29, 535, 4, ID_BEVEL1);
  for (const auto& [grupo, legenda, id] :
       {std::tuple{GROUP_BOX1, L"Arquivos Processados com Sucesso", ID_GROUP_BOX1},
        std::tuple{GROUP_BOX2, L"Arquivos com Problemas", ID_GROUP_BOX2}})
    CriaControle(pai, L"BUTTON", legenda, BS_GROUPBOX, grupo.x, grupo.y, grupo.largura,
                 grupo.altura, id, fonteNegrito_);
  for (int i = 0; i < UnTela::QUANTIDADE_CONTADORES; ++i) {
    const LinhaContador& linha = LINHAS[i];
    const Grupo& grupo = linha.bGrupo2 ? GROUP_BOX2 : GROUP_BOX1;
    // Captions size themselves to their text, never reaching into the value.
    const int iLargura = std::min(UnControles::LarguraTexto(linha.sLegenda, fonteContadores_),
                                  grupo.iEsquerdaValor - 10);
    CriaControle(pai, L"STATIC", linha.sLegenda, SS_LEFTNOWORDWRAP | SS_NOPREFIX, grupo.x + 8,
                 grupo.y + linha.iTopo, iLargura, ALTURA_LINHA, ID_PRIMEIRA_LEGENDA + i,
                 fonteContadores_);
    lblContadores[i] = CriaControle(pai, L"STATIC", L"000.000", SS_LEFTNOWORDWRAP | SS_NOPREFIX,
                                    grupo.x + grupo.iEsquerdaValor, grupo.y + linha.iTopo,
                                    LARGURA_VALOR, ALTURA_LINHA, ID_PRIMEIRO_CONTADOR + i,
                                    fonteContadores_);
  }
  UnControles::CriaLinha(pai, 0, 262, 538, 4, ID_BEVEL2);
  // "Lendo Arquivo:" sizes itself to its text (72 pixels as designed); the file name starts
  // after it and keeps its right edge.
  const int iLarguraLendo = std::max(72, UnControles::LarguraTexto(L"Lendo Arquivo:", fonte_) + 2);
  CriaControle(pai, L"STATIC", L"Lendo Arquivo:", SS_LEFTNOWORDWRAP, 8, 272, iLarguraLendo, 13,
               ID_LABEL10, fonte_);
  const int iEsquerdaArquivo = std::max(84, 8 + iLarguraLendo + 4);
  lblNomeArquivo = CriaControle(pai, L"STATIC", L"",
                                SS_LEFTNOWORDWRAP | SS_NOPREFIX | SS_ENDELLIPSIS, iEsquerdaArquivo,
                                272, 84 + 445 - iEsquerdaArquivo, 13, ID_LBL_NOME_ARQUIVO, fonte_);
  UnControles::CriaLinha(pai, 0, 294, 538, 4, ID_BEVEL3);

  struct Botao {
    const wchar_t* sLegenda;
    const wchar_t* sImagem;
    int x, largura, id;
  };
  const Botao botoes[] = {{L"Reiniciar", L"REINICIAR", 167, 91, ID_BIT_BTN3},
                          {L"Zerar Valores", L"ZERAR", 264, 115, ID_BIT_BTN2},
                          {L"Minimizar", L"MINIMIZAR", 384, 147, ID_BIT_BTN1}};
  for (size_t i = 0; i < std::size(botoes); ++i) {
    const Botao& b = botoes[i];
    HWND botao = CriaControle(pai, L"BUTTON", b.sLegenda, BS_PUSHBUTTON | WS_TABSTOP, b.x, 301,
                              b.largura, 25, b.id, fonte_);
    imagens_[i] = UnControles::CarregaImagem(b.sImagem);
    if (imagens_[i])
      SendMessageW(botao, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(imagens_[i]));
  }
}

void TfrmPrincipal::CriaMenu() {
  PopupMenu1 = CreatePopupMenu();
  AppendMenuW(PopupMenu1, MF_STRING, ID_PMNUI_OPEN, L"&Abrir Monitor CT-e");
  AppendMenuW(PopupMenu1, MF_SEPARATOR, 0, nullptr);  // N1
  AppendMenuW(PopupMenu1, MF_STRING, ID_SAIR1, L"&Sair");
}

void TfrmPrincipal::FormCreate() {
  aplicacao_.DefineTitulo(Largo(TITULO_APLICACAO).c_str());
  bandeja_.Adiciona(handle_, icone_, Largo(TITULO_APLICACAO));
  monitor_->TrataEvento([this] { monitor_->FormCreate(); });
  observador_.DefineEmpresas(monitor_->EmpresasObservadas());
  // The monitor starts visible, also when a start-up step failed.
  ShowWindow(handle_, SW_SHOWNORMAL);
  UpdateWindow(handle_);
}

void TfrmPrincipal::Evento(const std::function<void()>& evento) {
  if (aplicacao_.Terminando()) return;  // nothing of the core runs once the end was asked
  try {
    try {
      evento();
    } catch (const std::exception& erro) {
      monitor_->MostraErroPadrao(erro.what());
    }
  } catch (const UnTela::EFimMonitor& fim) {
    // An end met by a tick under the open tray menu does not wait for the person.
    if (bMenuAberto_) EndMenu();
    aplicacao_.Encerra(fim.iCodigoSaida, fim.sMotivo, fim.sAviso);
  }
}

void TfrmPrincipal::EncerraPorFora(const std::string& motivo) {
  Evento([&] { monitor_->Sair1Click(motivo); });
}

// One pass at a time: a tick due while a pass (or a tick) runs is skipped; the next one comes
// five seconds later. The tray menu's own loop lets ticks through: they run under the open
// menu, which stays open for as long as the person needs it.
void TfrmPrincipal::Timer1Timer() {
  if (bTickEmCurso_ || monitor_->PassoEmExecucao()) return;
  bTickEmCurso_ = true;
  MudaDiaOcorrencias();
  Evento([this] { monitor_->Timer1Timer(); });
  bTickEmCurso_ = false;
  observador_.DefineEmpresas(monitor_->EmpresasObservadas());
  if (std::exchange(bMenuPedido_, false)) PostMessageW(handle_, WM_ABRE_MENU, 0, 0);
}

void TfrmPrincipal::AnotaPastasAlteradas() {
  observador_.LeAlteracoes();
  ArmaAssento();
}

void TfrmPrincipal::ArmaAssento() {
  const int ms = observador_.MsAteAssentar();
  if (ms >= 0)
    SetTimer(handle_, ID_TIMER_OBSERVADOR, std::max<UINT>(ms, USER_TIMER_MINIMUM), nullptr);
}

// One pass at a time: folders that settle while a pass runs wait until it is over.
void TfrmPrincipal::ProcessaPastasAlteradas() {
  KillTimer(handle_, ID_TIMER_OBSERVADOR);
  if (!bTickEmCurso_ && !monitor_->PassoEmExecucao()) {
    for (const std::string& pasta : observador_.RetiraAssentadas())
      Evento([&] { monitor_->ProcessaPastaAlterada(pasta); });
    if (std::exchange(bMenuPedido_, false)) PostMessageW(handle_, WM_ABRE_MENU, 0, 0);
  }
  ArmaAssento();
}

// "Reiniciar": its pass counts as a tick, so Timer1 starts its interval again from the end of
// it; the old phase would bring the next pass at once.
void TfrmPrincipal::BitBtn3Click() {
  Evento([this] { monitor_->BitBtn3Click(); });
  if (handle_ && !aplicacao_.Terminando())
    SetTimer(handle_, ID_TIMER1, UnAjustesCiclo::RetornaIntervaloCiclo(), nullptr);
}

void TfrmPrincipal::TrataIconeBandeja(LPARAM l) {
  if (LOWORD(l) == NIN_BALLOONUSERCLICK) {
    MostraOcorrencias();
  } else if (l == WM_LBUTTONDBLCLK) {
    pmnuiOpenClick();
  } else if (l == WM_RBUTTONDOWN) {
    // Inside a pass the menu's loop would hold the pass and its company's lock.
    if (bTickEmCurso_ || monitor_->PassoEmExecucao())
      bMenuPedido_ = true;
    else
      AbreMenuBandeja();
  }
}

void TfrmPrincipal::AbreMenuBandeja() {
  if (bMenuAberto_ || !handle_) return;
  SetForegroundWindow(handle_);
  POINT cursor;
  GetCursorPos(&cursor);
  bMenuAberto_ = true;
  TrackPopupMenu(PopupMenu1, TPM_LEFTALIGN | TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, handle_,
                 nullptr);
  bMenuAberto_ = false;
  PostMessageW(handle_, WM_NULL, 0, 0);
}

void TfrmPrincipal::pmnuiOpenClick() {
  ShowWindow(handle_, SW_SHOWNORMAL);
  SetForegroundWindow(handle_);
  ShowWindow(aplicacao_.Handle(), SW_HIDE);
}

void TfrmPrincipal::FormClose() { ShowWindow(handle_, SW_HIDE); }

void TfrmPrincipal::MostraPagina(int pagina) {
  SendMessageW(PageControl1, TCM_SETCURSEL, pagina, 0);
  ShowWindow(TabSheet1, pagina == 0 ? SW_SHOW : SW_HIDE);
  ShowWindow(TabSheet2, pagina == 1 ? SW_SHOW : SW_HIDE);
}

void TfrmPrincipal::MostraOcorrencias() {
  pmnuiOpenClick();
  MostraPagina(1);
}

void TfrmPrincipal::MudaDiaOcorrencias() {
  // The page holds one day under times of day: after midnight yesterday's rows go.
  const UnLocalidade::DataHora agora = UnLocalidade::Agora();
  const int dia = agora.iAno * 10000 + agora.iMes * 100 + agora.iDia;
  if (dia == iDiaOcorrencias_) return;
  const bool bHaviaDia = iDiaOcorrencias_ != 0;
  iDiaOcorrencias_ = dia;
  if (!bHaviaDia) return;
  ocorrencias_ = UnOcorrencias::TListaOcorrencias();
  SendMessageW(lstOcorrencias, LVM_SETITEMCOUNT, 0, 0);
  InvalidateRect(lstOcorrencias, nullptr, FALSE);
}

void TfrmPrincipal::MostraOcorrencia(const UnOcorrencias::Ocorrencia& ocorrencia, bool bAnterior) {
  MudaDiaOcorrencias();
  ocorrencias_.Acrescenta(ocorrencia);
  SendMessageW(lstOcorrencias, LVM_SETITEMCOUNT, ocorrencias_.Quantidade(), 0);
  InvalidateRect(lstOcorrencias, nullptr, FALSE);
  if (!ocorrencia.bAlerta || bAnterior) return;
  alertasPendentes_.push_back(ocorrencia);
  SetTimer(handle_, ID_TIMER_BALAO, 1000, nullptr);
}

void TfrmPrincipal::MostraBalaoPendente() {
  KillTimer(handle_, ID_TIMER_BALAO);
  if (alertasPendentes_.empty()) return;
  bandeja_.MostraBalao(Largo(TITULO_APLICACAO),
                       Largo(UnOcorrencias::TextoBalao(alertasPendentes_)));
  alertasPendentes_.clear();
}

LRESULT TfrmPrincipal::TrataNotificacao(const NMHDR& aviso) {
  if (aviso.hwndFrom == PageControl1 && aviso.code == TCN_SELCHANGE) {
    MostraPagina(static_cast<int>(SendMessageW(PageControl1, TCM_GETCURSEL, 0, 0)));
    return 0;
  }
  if (aviso.hwndFrom != lstOcorrencias) return 0;
  if (aviso.code == LVN_GETDISPINFOW) {
    auto& info = reinterpret_cast<NMLVDISPINFOW&>(const_cast<NMHDR&>(aviso));
    if (!(info.item.mask & LVIF_TEXT) || info.item.iItem < 0 ||
        static_cast<size_t>(info.item.iItem) >= ocorrencias_.Quantidade())
      return 0;
    const UnOcorrencias::Ocorrencia& o = ocorrencias_.Item(static_cast<size_t>(info.item.iItem));
    const std::string celulas[] = {
        o.sHora, o.sEmpresa, o.sCTe,
        (o.bAlerta ? "(!) " : "") + o.sOQue + (o.sDetalhe.empty() ? "" : ": " + o.sDetalhe),
        o.sArquivo};
    textoLinha_ = info.item.iSubItem >= 0 && info.item.iSubItem < 5
                      ? Largo(celulas[info.item.iSubItem])
                      : std::wstring();
    info.item.pszText = textoLinha_.data();
    return 0;
  }
  if (aviso.code == NM_DBLCLK) {
    // The file where it lies now, selected in its folder, as the error question shows it.
    const int linha = reinterpret_cast<const NMITEMACTIVATE&>(aviso).iItem;
    if (linha < 0 || static_cast<size_t>(linha) >= ocorrencias_.Quantidade()) return 0;
    const std::string arquivo = ocorrencias_.Item(static_cast<size_t>(linha)).sArquivo;
    if (!arquivo.empty()) Evento([&] { monitor_->MostraArquivoDaOcorrencia(arquivo); });
  }
  return 0;
}

void TfrmPrincipal::FormDestroy() {
  KillTimer(handle_, ID_TIMER_BALAO);
  KillTimer(handle_, ID_TIMER1);
  KillTimer(handle_, ID_TIMER_OBSERVADOR);
  bandeja_.Remove();
}

LRESULT CALLBACK TfrmPrincipal::WndProc(HWND janela, UINT mensagem, WPARAM w, LPARAM l) {
  auto* form = reinterpret_cast<TfrmPrincipal*>(GetWindowLongPtrW(janela, GWLP_USERDATA));
  if (!form) return DefWindowProcW(janela, mensagem, w, l);
  return form->TrataMensagem(mensagem, w, l);
}

LRESULT TfrmPrincipal::TrataMensagem(UINT mensagem, WPARAM w, LPARAM l) {
  if (mensagem == UnBandeja::MensagemTaskbarCreated()) {
    bandeja_.Readiciona();
    return 0;
  }
  switch (mensagem) {
    case UnBandeja::WM_ICONE_BANDEJA:
      TrataIconeBandeja(l);
      break;  // then the normal handling, as for every message
    case WM_TIMER:
      if (w == ID_TIMER1) Timer1Timer();
      if (w == ID_TIMER_OBSERVADOR) ProcessaPastasAlteradas();
      if (w == UnBandeja::ID_TIMER_BANDEJA) bandeja_.TentaDeNovo();
      if (w == ID_TIMER_BALAO) MostraBalaoPendente();
      return 0;
    case WM_NOTIFY:
      return TrataNotificacao(*reinterpret_cast<const NMHDR*>(l));
    case WM_COMMAND:
      switch (LOWORD(w)) {
        case ID_BIT_BTN1:
          FormClose();
          return 0;
        case ID_BIT_BTN2:
          Evento([this] { monitor_->TrataEvento([this] { monitor_->BitBtn2Click(); }); });
          return 0;
        case ID_BIT_BTN3:
          BitBtn3Click();
          return 0;
        case ID_PMNUI_OPEN:
          pmnuiOpenClick();
          return 0;
        case ID_SAIR1:
          Evento([this] { monitor_->Sair1Click(); });
          return 0;
        default:
          break;
      }
      break;
    case WM_SYSCOMMAND:
      // The close box hides the window; only a close from outside ends the monitor.
      if ((w & 0xFFF0) == SC_CLOSE) {
        FormClose();
        return 0;
      }
      break;
    case WM_CLOSE:
      EncerraPorFora("fechado por outro programa");
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_ENDSESSION:
      // Windows may end the process as soon as this returns: the ending is done and logged here.
      if (w) EncerraPorFora("fim da sessão do Windows");
      return 0;
    case WM_ABRE_MENU:
      AbreMenuBandeja();
      return 0;
    case WM_DESTROY:
      FormDestroy();
      return 0;
    case WM_NCDESTROY: {
      // The window's last message still reaches the default handling with its own handle.
      const HWND janela = handle_;
      SetWindowLongPtrW(janela, GWLP_USERDATA, 0);
      handle_ = nullptr;
      return DefWindowProcW(janela, mensagem, w, l);
    }
    default:
      break;
  }
  return DefWindowProcW(handle_, mensagem, w, l);
}

void TfrmPrincipal::MostraVersao(const std::string& texto) {
  SetWindowTextW(lblVersao, Largo(texto).c_str());
  UpdateWindow(lblVersao);
}

void TfrmPrincipal::MostraArquivo(const std::string& nome) {
  SetWindowTextW(lblNomeArquivo, Largo(nome).c_str());
  UpdateWindow(lblNomeArquivo);
}

void TfrmPrincipal::MostraContadores(
    const std::array<std::string, UnTela::QUANTIDADE_CONTADORES>& valores) {
  for (int i = 0; i < UnTela::QUANTIDADE_CONTADORES; ++i)
    SetWindowTextW(lblContadores[i], Largo(valores[i]).c_str());
}

void TfrmPrincipal::PerguntaSemEspera(const std::string& texto, const std::string& arquivo,
                                      std::function<void()> seSim) {
  // The answer comes through the message loop long after the pass that asked: it runs as any
  // other handler of the core, and not at all once the monitor is ending. The form is owned
  // by this window and goes with it, unanswered questions and all.
  UnPerguntaSemEspera::PerguntaSemEspera(
      texto, arquivo, [this, seSim = std::move(seSim)] { Evento(seSim); }, handle_);
}

void TfrmPrincipal::MostraNotificacao(const std::string& texto, const std::string& titulo,
                                      unsigned flags) {
  MessageBoxW(nullptr, Largo(texto).c_str(), Largo(titulo).c_str(),
              MB_OK | flags | MB_TASKMODAL | MB_SETFOREGROUND);
  aplicacao_.VerificaFim();
}

void TfrmPrincipal::MostraAviso(const std::string& texto, bool confirmacao, bool fechaAutomatico) {
  UnMensagemConfirmarGenerica::MostraAviso(texto, confirmacao, fechaAutomatico, aplicacao_.Handle(),
                                           [this] { ProcessaMensagens(); });
}

void TfrmPrincipal::ProcessaMensagens() { aplicacao_.ProcessaMensagens(); }

// Between passes the file label tells how many answers wait in Retorno and for how long the
// oldest has, so nobody needs the log to see that something is held.
void TfrmPrincipal::MostraEspera(size_t quantidade, int64_t iIdadeMs,
                                 const std::string& sMotivoComum) {
  if (bParado_) return;  // the stopped cycle's reason stays in view
  std::string texto = sMotivoComum.empty() ? UnArquivosEmEspera::TextoEspera(quantidade, iIdadeMs)
                                           : sMotivoComum;
  if (iDuvidas_ > 0)
    texto += (texto.empty() ? "" : " | ") + std::to_string(iDuvidas_) + " CT-e em dúvida";
  MostraArquivo(texto);
}

void TfrmPrincipal::MostraCicloParado(const std::string& mensagem) {
  const bool bParado = !mensagem.empty();
  if (bParado) MostraArquivo(mensagem);
  if (bParado == bParado_) return;
  bParado_ = bParado;
  bandeja_.MudaDica(bParado ? TIP_PARADO : Largo(TITULO_APLICACAO));
}
