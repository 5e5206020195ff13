#pragma once
// The floor's database client: the ISC calls straight from libfbclient, with none of the
// monitor's layer in between. One connection, one transaction with the monitor's options,
// one statement handle reused for every text.
#include <ibase.h>

#include <string>
#include <vector>

class ConexaoDireta {
 public:
  ConexaoDireta(const std::string& banco, const std::string& usuario, const std::string& senha);
  // Turns the database's forced (synchronous) writes on or off; the setting stays in the file.
  static void DefineEscritaForcada(const std::string& banco, const std::string& usuario,
                                   const std::string& senha, bool forcada);
  ~ConexaoDireta();
  ConexaoDireta(const ConexaoDireta&) = delete;
  ConexaoDireta& operator=(const ConexaoDireta&) = delete;

  // Starts the transaction when none is active.
  void IniciaTransacao();
  // Hard commit, as the monitor ends each pass.
  void Confirma();
  // Prepares and runs a statement that returns no rows (a change, " commit retain").
  void Executa(const std::string& sql);
  // Prepares, runs and fetches a look-up; every row, each column as text (empty for null).
  std::vector<std::vector<std::string>> Pesquisa(const std::string& sql);

 private:
  [[noreturn]] void Falha(const ISC_STATUS* status) const;
  void Prepara(const std::string& sql);
  ConexaoDireta(const std::string& banco, const std::string& dpb);

  isc_db_handle banco_{};
  isc_tr_handle transacao_{};
  isc_stmt_handle comando_{};
};
