#include "shell/win32/UnBandeja.h"

#include <cwchar>

namespace UnBandeja {

namespace {
constexpr UINT MS_NOVA_TENTATIVA = 2000;

// An icon the shell still holds (a repeated TaskbarCreated) refuses NIM_ADD but takes NIM_MODIFY.
// Each add speaks version 4 of the protocol: a balloon's click is told apart from the others.
bool PoeIcone(NOTIFYICONDATAW& dados) {
  if (Shell_NotifyIconW(NIM_ADD, &dados) == 0 && Shell_NotifyIconW(NIM_MODIFY, &dados) == 0)
    return false;
  NOTIFYICONDATAW versao = dados;
  versao.uVersion = NOTIFYICON_VERSION_4;
  Shell_NotifyIconW(NIM_SETVERSION, &versao);
  return true;
}
}  // namespace

UINT MensagemTaskbarCreated() {
  static const UINT mensagem = RegisterWindowMessageW(L"TaskbarCreated");
  return mensagem;
}

void TBandeja::DefineDica(const std::wstring& dica) {
  wcsncpy(TrayIconData.szTip, dica.c_str(), ARRAYSIZE(TrayIconData.szTip) - 1);
  TrayIconData.szTip[ARRAYSIZE(TrayIconData.szTip) - 1] = L'\0';
}

void TBandeja::Adiciona(HWND dono, HICON icone, const std::wstring& dica) {
  // Run elevated (an ERP started as administrator), the window would not hear Explorer's
  // TaskbarCreated, and the icon would not come back after Explorer restarts.
  ChangeWindowMessageFilterEx(dono, MensagemTaskbarCreated(), MSGFLT_ALLOW, nullptr);
  TrayIconData = NOTIFYICONDATAW{};
  TrayIconData.cbSize = sizeof(NOTIFYICONDATAW);
  TrayIconData.hWnd = dono;
  TrayIconData.uID = 0;
  // Version 4 shows the tooltip only when asked to.
  TrayIconData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_SHOWTIP;
  TrayIconData.uCallbackMessage = WM_ICONE_BANDEJA;
  TrayIconData.hIcon = icone;
  DefineDica(dica);
  Readiciona();
}

void TBandeja::Readiciona() {
  bPresente_ = PoeIcone(TrayIconData);
  // The shell may not be up yet at logon: without the icon the monitor could not be reached.
  if (!bPresente_) SetTimer(TrayIconData.hWnd, ID_TIMER_BANDEJA, MS_NOVA_TENTATIVA, nullptr);
}

void TBandeja::TentaDeNovo() {
  bPresente_ = PoeIcone(TrayIconData);
  if (bPresente_) KillTimer(TrayIconData.hWnd, ID_TIMER_BANDEJA);
}

void TBandeja::Modifica(NOTIFYICONDATAW& dados) {
  if (!bPresente_ || Shell_NotifyIconW(NIM_MODIFY, &dados) != 0) return;
  Readiciona();
  if (bPresente_) Shell_NotifyIconW(NIM_MODIFY, &dados);
}

void TBandeja::MudaDica(const std::wstring& dica) {
  DefineDica(dica);
  Modifica(TrayIconData);
}

void TBandeja::MostraBalao(const std::wstring& titulo, const std::wstring& texto) {
  NOTIFYICONDATAW balao = TrayIconData;
  balao.uFlags = NIF_INFO;
  wcsncpy(balao.szInfo, texto.c_str(), ARRAYSIZE(balao.szInfo) - 1);
  balao.szInfo[ARRAYSIZE(balao.szInfo) - 1] = L'\0';
  wcsncpy(balao.szInfoTitle, titulo.c_str(), ARRAYSIZE(balao.szInfoTitle) - 1);
  balao.szInfoTitle[ARRAYSIZE(balao.szInfoTitle) - 1] = L'\0';
  balao.dwInfoFlags = NIIF_WARNING;
  ultimoBalao_ = balao;
  Modifica(balao);
}

void TBandeja::Remove() {
  KillTimer(TrayIconData.hWnd, ID_TIMER_BANDEJA);
  if (bPresente_) Shell_NotifyIconW(NIM_DELETE, &TrayIconData);
  bPresente_ = false;
}

}  // namespace UnBandeja
