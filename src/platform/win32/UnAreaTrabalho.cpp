#include "platform/UnAreaTrabalho.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include "platform/win32/UnCom.h"
#include "platform/win32/UnTextoLargo.h"

namespace UnAreaTrabalho {

std::string PastaDesktop() {
  LPITEMIDLIST lista = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOPDIRECTORY, &lista)) || !lista)
    return {};
  wchar_t caminho[MAX_PATH] = {};
  const BOOL ok = SHGetPathFromIDListW(lista, caminho);
  CoTaskMemFree(lista);
  if (!ok || !caminho[0]) return {};
  std::string pasta = UnTextoLargo::Estreito(caminho);
  return pasta.back() == '\\' ? pasta : pasta + "\\";
}

bool CriaAtalho(const std::string& arquivoSemExtensao, const std::string& alvo,
                const std::string& descricao) {
  UnCom::GaranteCom();
  UnCom::Ponteiro<IShellLinkW> atalho;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(atalho.Endereco()))))
    return false;
  atalho->SetDescription(UnTextoLargo::Largo(descricao).c_str());
  atalho->SetPath(UnTextoLargo::Largo(alvo).c_str());
  UnCom::Ponteiro<IPersistFile> arquivo;
  if (FAILED(atalho->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(arquivo.Endereco()))))
    return false;
  return SUCCEEDED(arquivo->Save(UnTextoLargo::Largo(arquivoSemExtensao + ".lnk").c_str(), FALSE));
}

}  // namespace UnAreaTrabalho
