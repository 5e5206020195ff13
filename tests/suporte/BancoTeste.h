#pragma once
// A fresh ERP database for one test: TAB_PARAMETRO (one row, without the two version
// columns), CAD_PESSOA, MOV_CTE, MOV_CTE_RET and MOV_LOG_ATUALIZACAO, in realistic types.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace UnFirebird { class TIBDatabase; }

class BancoTeste {
 public:
  // Creates the database file (embedded engine for a plain path, or "host/port:path").
  explicit BancoTeste(const std::string& nome);
  ~BancoTeste();
  const std::string& Nome() const { return nome_; }

  // Runs a statement on an independent connection and commits it.
  void Executa(const std::string& sql);
  // First column of the first row, read on an independent connection.
  int64_t Inteiro(const std::string& sql);
  std::string Texto(const std::string& sql);
  bool Nulo(const std::string& sql);

  void DefineRaizCTe(const std::string& raiz);
  // A person; an issuer when `emitente`. Returns id_pessoa. Null CNPJ when `cnpj` is empty.
  int32_t AdicionaEmpresa(const std::string& cnpj, bool emitente = true);
  // A CT-e of the company and its MOV_CTE_RET row. NO_DOC_CTE and NO_COD_NUMERICO_CTE come
  // from the 44-digit key (digits 26-34 and 36-43); cd_chave_acesso_cte is "CTe" + key
  // unless `chaveGravada` says otherwise. Returns id_cte.
  int32_t AdicionaCTe(int32_t idEmpresa, const std::string& chave44,
                      std::optional<std::string> chaveGravada = std::nullopt);
  // Many CT-e of one company on one connection; their ids in the keys' order.
  std::vector<int32_t> AdicionaCTes(int32_t idEmpresa, const std::vector<std::string>& chaves44);

 private:
  static int32_t InsereCTe(UnFirebird::TIBDatabase& banco, int32_t idEmpresa,
                           const std::string& chave44, const std::optional<std::string>& chaveGravada);
  std::string nome_;
};
