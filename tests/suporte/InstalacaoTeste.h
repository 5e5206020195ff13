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
  // The database file lies in the "Dados" folder; with `bServidor` it is reached through the
  // Firebird server on 127.0.0.1 instead of the embedded engine.
  explicit InstalacaoTeste(bool bServidor = false);

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

  // The initialisation files point at the database (also after a test changed them).
  void EscreveIniServidor(const std::string& servidor, const std::string& path,
                          const std::string& name) const;

  // A monitor on this installation, connected to its database. Its download address is a
  // loopback port where nothing listens.
  std::unique_ptr<TMonitorCTe> Monitor(TelaTeste& tela) const;
};
