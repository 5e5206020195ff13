#include "maintenance/UnArquivosExec.h"

#include "maintenance/UnAtalhoDesktop.h"
#include "platform/UnArquivos.h"
#include "platform/UnIni.h"
#include "shell/UnMonitor.h"

namespace UnArquivosExec {

using UnArquivos::SEPARADOR;

namespace {

std::string TrocaTodos(std::string texto, const std::string& de, const std::string& para) {
  for (size_t i = texto.find(de); i != std::string::npos; i = texto.find(de, i + para.size()))
    texto.replace(i, de.size(), para);
  return texto;
}

bool EhExecutavelErp(const std::string& nome) {
  return nome == "quelvixEmpresa.exe" || nome == "quelvixEmpresa4.exe";
}

}  // namespace

std::string RetornaIniMarcador(const TValoresAtualizacao& atualizacao) {
  // Exact case: MONITOR.EXE keeps its name, so its marker is the executable copy itself.
  return atualizacao.PastaExecutavel + SEPARADOR + "Exec-" +
         TrocaTodos(atualizacao.NomeExecutavel, ".exe", ".ini");
}

std::string RetornaCopiaExecutavel(const TValoresAtualizacao& atualizacao) {
  return atualizacao.PastaExecutavel + SEPARADOR + "Exec-" + atualizacao.NomeExecutavel;
}

std::string TrataArquivosExec(const TValoresAtualizacao& atualizacao,
                              const std::string& caminhoExecutavel) {
  const std::string sIni = RetornaIniMarcador(atualizacao);
  const std::string sCopia = RetornaCopiaExecutavel(atualizacao);
  std::string sMotivo;
  if (UnArquivos::ExisteArquivo(sIni)) {
    sMotivo = UnAtalhoDesktop::CriaAtalhoDesktop(atualizacao, caminhoExecutavel);
    if (EhExecutavelErp(atualizacao.NomeExecutavel)) CopiaExecutaveisPastaMestre(atualizacao);
    if (sMotivo.empty()) UnArquivos::ApagaArquivo(sIni);
  }
  if (sMotivo.empty() || sCopia != sIni) UnArquivos::ApagaArquivo(sCopia);
  return sMotivo;
}

void CopiaExecutaveisPastaMestre(const TValoresAtualizacao& atualizacao) {
  const std::string sMestre =
      UnIni::LeIni(RetornaIniMarcador(atualizacao), "configuracao", "pastamestre", "");
  // Without a master folder there is nothing to copy (not the drive's root folder).
  if (sMestre.empty()) return;
  for (const std::string& sNome : UnArquivos::ListaEntradas(sMestre, "*.exe"))
    UnArquivos::CopiaArquivo(sMestre + SEPARADOR + sNome,
                             atualizacao.PastaAtualizacao + SEPARADOR + sNome, true);
}

}  // namespace UnArquivosExec
