#pragma once
// A whole ERP installation in a temporary folder: the ERP folder with its initialisation
// file, the "Dados" folder with the server initialisation file, an embedded database with the
// ERP tables, and the CT-e root folder recorded in TAB_PARAMETRO.
#include <memory>
#include <string>

#include "shell/UnMonitor.h"
#include "suporte/BancoTeste.h"
#include "suporte/PastaTemporaria.h"
#include "suporte/TelaTeste.h"

class InstalacaoTeste {
 public:
  // `nomeBanco`: empty for an embedded database inside the folder; otherwise a full name.
  explicit InstalacaoTeste(const std::string& nomeBanco = "");

  PastaTemporaria pasta;
  std::string sPastaErp;    // the monitor's folder, no trailing separator
  std::string sPastaDados;  // with a trailing separator
  std::string sRaizCTe;     // with a trailing separator
  std::string sExecutavel;  // sPastaErp + "/monitor-cte" (a file that exists)
  std::unique_ptr<BancoTeste> banco;

  // Folders of a company's tree, each with a trailing separator.
  std::string Retorno(const std::string& cnpj) const;
  std::string RetornoOK(const std::string& cnpj) const;
  std::string Erro(const std::string& cnpj) const;
  std::string Autorizados(const std::string& cnpj) const;

  // A monitor on this installation, connected to its database.
  std::unique_ptr<TMonitorCTe> Monitor(TelaTeste& tela) const;
};
