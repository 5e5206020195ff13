#include "platform/UnAreaTrabalho.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstdio>

#include "platform/win32/UnCom.h"
#include "platform/win32/UnTextoLargo.h"

namespace UnAreaTrabalho {

namespace {

std::string TextoHresult(HRESULT resultado) {
  char texto[16];
  std::snprintf(texto, sizeof texto, "0x%08lX", static_cast<unsigned long>(resultado));
  return texto;
}

}  // namespace

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

std::string CriaAtalho(const std::string& arquivoSemExtensao, const std::string& alvo,
                       const std::string& descricao) {
  UnCom::GaranteCom();
  UnCom::Ponteiro<IShellLinkW> atalho;
  HRESULT resultado = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                       IID_IShellLinkW, reinterpret_cast<void**>(atalho.Endereco()));
  if (FAILED(resultado)) return "objeto de atalho não criado (" + TextoHresult(resultado) + ")";
  atalho->SetDescription(UnTextoLargo::Largo(descricao).c_str());
  atalho->SetPath(UnTextoLargo::Largo(alvo).c_str());
  UnCom::Ponteiro<IPersistFile> arquivo;
  resultado =
      atalho->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(arquivo.Endereco()));
  if (FAILED(resultado))
    return "objeto de atalho sem gravação (" + TextoHresult(resultado) + ")";
  const std::string sArquivo = arquivoSemExtensao + ".lnk";
  resultado = arquivo->Save(UnTextoLargo::Largo(sArquivo).c_str(), FALSE);
  if (FAILED(resultado)) return sArquivo + " não gravado (" + TextoHresult(resultado) + ")";
  return {};
}

}  // namespace UnAreaTrabalho
