#pragma once
// The notification-area icon: added at start-up, added again when the taskbar is re-created
// or when the first attempt failed, removed when the main window goes.
#include <windows.h>
#include <shellapi.h>

#include <string>

namespace UnBandeja {

inline constexpr UINT WM_ICONE_BANDEJA = WM_USER + 1;  // 1025
inline constexpr UINT_PTR ID_TIMER_BANDEJA = 2;

class TBandeja {
 public:
  // Fills TrayIconData for `dono` and adds the icon; on failure a timer of `dono` retries.
  void Adiciona(HWND dono, HICON icone, const std::wstring& dica);
  // The taskbar was (re)created: the icon is added again.
  void Readiciona();
  // The retry timer: once the icon is there the timer stops.
  void TentaDeNovo();
  void MudaDica(const std::wstring& dica);
  // A balloon beside the icon; sent from a copy of the icon's data, so a later change of the
  // tooltip never shows it again. A balloon the system chooses not to show is simply lost:
  // the log holds the same line.
  void MostraBalao(const std::wstring& titulo, const std::wstring& texto);
  // The last balloon sent, as the shell got it.
  const NOTIFYICONDATAW& UltimoBalao() const { return ultimoBalao_; }
  void Remove();
  bool Presente() const { return bPresente_; }

  NOTIFYICONDATAW TrayIconData{};

 private:
  void DefineDica(const std::wstring& dica);
  // A modify the shell refuses means the icon is gone (Explorer restarted unseen): it is added
  // again and the change sent once more.
  void Modifica(NOTIFYICONDATAW& dados);
  bool bPresente_ = false;
  NOTIFYICONDATAW ultimoBalao_{};
};

// The broadcast message the shell sends when it has (re)created the taskbar.
UINT MensagemTaskbarCreated();

}  // namespace UnBandeja
