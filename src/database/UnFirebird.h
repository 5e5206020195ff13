#pragma once
// Thin RAII layer over the Firebird ISC API, loaded at run time.
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace UnFirebird {

// An error of the database layer. TipoNome() is "EIBInterBaseError" for what the server or
// engine reports and "EIBClientError" for what the client side raises.
class EIBError : public std::runtime_error {
 public:
  EIBError(std::string tipo, const std::string& mensagem, std::vector<long> codigos = {})
      : std::runtime_error(mensagem), tipo_(std::move(tipo)), codigos_(std::move(codigos)) {}
  const std::string& TipoNome() const { return tipo_; }
  // Every ISC error code of the status vector, primary first (empty for client errors).
  const std::vector<long>& Codigos() const { return codigos_; }
  long CodigoPrimario() const { return codigos_.empty() ? 0 : codigos_.front(); }

 private:
  std::string tipo_;
  std::vector<long> codigos_;
};

struct ClienteFirebird;  // the function table of the client library

class TIBDatabase;

// The one transaction: read_committed, rec_version, nowait; commit retaining by default.
class TIBTransaction {
 public:
  explicit TIBTransaction(TIBDatabase& banco);
  ~TIBTransaction();
  bool Ativa() const { return handle_ != 0; }
  void Inicia();             // no-op when already active
  void CommitRetaining();    // the transaction's own commit-retaining operation
  void Commit();             // hard commit; the next statement starts a new transaction
  void Rollback();
  // Address of the handle, for statements that may end the transaction (COMMIT as SQL).
  uintptr_t* Handle();
  void Esquece() { handle_ = 0; }  // the connection is gone: drop the handle
 private:
  TIBDatabase& banco_;
  uintptr_t handle_ = 0;
};

// The one connection: DPB with user_name and password only, dialect 3, no character set.
class TIBDatabase {
 public:
  // `bibliotecas`: the client library names to try; empty for the platform's default.
  explicit TIBDatabase(std::vector<std::string> bibliotecas = {});
  ~TIBDatabase();
  void DefineNome(const std::string& nome) { nome_ = nome; }
  const std::string& Nome() const { return nome_; }
  void DefineUsuario(const std::string& usuario, const std::string& senha) {
    usuario_ = usuario;
    senha_ = senha;
  }
  void Conecta();
  // Creates the database named by Nome() (same user and password) and stays connected to it;
  // `opcoes` follows the user and password in the CREATE DATABASE statement.
  void CriaBanco(const std::string& opcoes);
  void Desconecta();  // commits the open transaction; never raises for a dead connection
  bool Conectado() const { return handle_ != 0; }
  TIBTransaction& Transacao() { return *transacao_; }
  // Reconnects when closed and starts the transaction when needed.
  void Prepara();
  const ClienteFirebird& Cliente() const;
  uintptr_t* Handle() { return &handle_; }
  // Raises EIBInterBaseError built from a failed status vector, fb_interpret text.
  [[noreturn]] void Falha(const intptr_t* status) const;
  // Major version of the connected server's engine (0 when it did not say).
  int VersaoMotor() const { return iVersaoMotor_; }

 private:
  // Read once after connecting: a server of 4 or later has its new types (INT128, DECFLOAT,
  // the times with a time zone) reach this session in their legacy forms, which every client
  // and this wrapper read; an older server never gets these statements.
  void AjustaSessao();

  std::vector<std::string> bibliotecas_;
  std::shared_ptr<ClienteFirebird> cliente_;
  std::string nome_, usuario_ = "sysdba", senha_ = "tollbrisk";
  uintptr_t handle_ = 0;
  int iVersaoMotor_ = 0;
  std::unique_ptr<TIBTransaction> transacao_;
};

// A statement on the connection's one transaction. Open() fetches every row.
class TIBQuery {
 public:
  explicit TIBQuery(TIBDatabase& banco) : banco_(banco) {}
  void Close();
  std::string SQL;
  void Open();      // a look-up
  void ExecSQL();   // a change (or " commit retain")
  size_t QuantidadeLinhas() const { return linhas_.size(); }
  bool Vazia() const { return linhas_.empty(); }
  // Fields of the current (first) row by name, without regard to case; 0 or empty without rows.
  int64_t FieldAsInteger(const std::string& campo) const;
  std::string FieldAsString(const std::string& campo) const;
  bool FieldIsNull(const std::string& campo) const;
  // Rows beyond the first, for the company list.
  std::string FieldAsString(size_t linha, const std::string& campo) const;
  // Result column names (their aliases), in the order of the select list.
  const std::vector<std::string>& Colunas() const { return colunas_; }

 private:
  const std::optional<std::string>* Campo(size_t linha, const std::string& campo) const;
  TIBDatabase& banco_;
  std::vector<std::string> colunas_;
  std::vector<std::vector<std::optional<std::string>>> linhas_;
};

// The standard quoting function: single quotes around, an inner quote doubled.
std::string QuotedStr(const std::string& valor);

}  // namespace UnFirebird
