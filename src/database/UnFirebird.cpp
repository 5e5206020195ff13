#include "database/UnFirebird.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <type_traits>

#include "database/UnClienteFirebird.h"
#include "platform/UnCodigoAnsi.h"

namespace UnFirebird {

namespace {

const std::vector<std::string>& BibliotecasPadrao() {
#ifdef _WIN32
  static const std::vector<std::string> vNomes{"fbclient.dll", "gds32.dll"};
#else
  static const std::vector<std::string> vNomes{"libfbclient.so.2"};
#endif
  return vNomes;
}

// The API handle type is a 32-bit integer on 64-bit builds and a pointer on 32-bit ones; the
// objects keep it as uintptr_t and hand the API a copy that is written back after the call.
template <class THandle>
THandle ParaHandle(uintptr_t valor) {
  if constexpr (std::is_pointer_v<THandle>)
    return reinterpret_cast<THandle>(valor);
  else
    return static_cast<THandle>(valor);
}

template <class THandle>
uintptr_t DeHandle(THandle valor) {
  if constexpr (std::is_pointer_v<THandle>)
    return reinterpret_cast<uintptr_t>(valor);
  else
    return static_cast<uintptr_t>(valor);
}

class Ponte {
 public:
  explicit Ponte(uintptr_t& origem) : origem_(origem), valor_(ParaHandle<FB_API_HANDLE>(origem)) {}
  ~Ponte() { origem_ = DeHandle(valor_); }
  Ponte(const Ponte&) = delete;
  Ponte& operator=(const Ponte&) = delete;
  FB_API_HANDLE* Endereco() { return &valor_; }

 private:
  uintptr_t& origem_;
  FB_API_HANDLE valor_;
};

[[noreturn]] void FalhaCliente(const std::string& mensagem) { throw EIBError("EIBClientError", mensagem); }

bool EhBranco(char c) { return static_cast<unsigned char>(c) <= 32; }

std::string RemoveBrancosDireita(std::string texto) {
  while (!texto.empty() && texto.back() == ' ') texto.pop_back();
  return texto;
}

std::string Maiusculas(std::string texto) {
  for (char& c : texto)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return texto;
}

// The buffer that describes a statement's result columns.
using Descricao = std::unique_ptr<XSQLDA, void (*)(void*)>;

Descricao CriaDescricao(short colunas) {
  auto* vDescricao = static_cast<XSQLDA*>(std::calloc(1, XSQLDA_LENGTH(colunas)));
  if (!vDescricao) throw std::bad_alloc();
  vDescricao->version = SQLDA_VERSION1;
  vDescricao->sqln = colunas;
  return Descricao(vDescricao, std::free);
}

// A prepared statement, dropped on every way out.
class Comando {
 public:
  explicit Comando(TIBDatabase& banco) : banco_(banco), cliente_(banco.Cliente()) {
    ISC_STATUS_ARRAY status{};
    Ponte vBanco(*banco_.Handle());
    if (cliente_.isc_dsql_allocate_statement(status, vBanco.Endereco(), &handle_)) banco_.Falha(status);
  }
  ~Comando() {
    ISC_STATUS_ARRAY status{};
    if (handle_) cliente_.isc_dsql_free_statement(status, &handle_, DSQL_drop);
  }
  Comando(const Comando&) = delete;
  Comando& operator=(const Comando&) = delete;

  void Prepara(const std::string& sqlUtf8) {
    const std::string sql = UnCodigoAnsi::ParaAnsi(sqlUtf8);
    ISC_STATUS_ARRAY status{};
    Ponte vTransacao(*banco_.Transacao().Handle());
    if (cliente_.isc_dsql_prepare(status, vTransacao.Endereco(), &handle_, Tamanho(sql), sql.c_str(),
                                  SQL_DIALECT_V6, nullptr))
      banco_.Falha(status);
  }

  Descricao Descreve() {
    Descricao vDescricao = CriaDescricao(1);
    DescreveEm(vDescricao.get());
    if (vDescricao->sqld > vDescricao->sqln) {
      vDescricao = CriaDescricao(vDescricao->sqld);
      DescreveEm(vDescricao.get());
    }
    return vDescricao;
  }

  // A COMMIT or ROLLBACK sent as SQL clears the transaction handle through the pointer.
  void Executa() {
    ISC_STATUS_ARRAY status{};
    Ponte vTransacao(*banco_.Transacao().Handle());
    if (cliente_.isc_dsql_execute(status, vTransacao.Endereco(), &handle_, SQLDA_VERSION1, nullptr))
      banco_.Falha(status);
  }

  // False after the last row.
  bool Busca(XSQLDA* descricao) {
    ISC_STATUS_ARRAY status{};
    const ISC_STATUS iResultado = cliente_.isc_dsql_fetch(status, &handle_, SQLDA_VERSION1, descricao);
    if (iResultado == 100) return false;
    if (iResultado) banco_.Falha(status);
    return true;
  }

 private:
  static unsigned short Tamanho(const std::string& sql) {
    // Zero means "up to the terminating null", for texts longer than the length field allows.
    return sql.size() <= 0xFFFF ? static_cast<unsigned short>(sql.size()) : 0;
  }
  void DescreveEm(XSQLDA* descricao) {
    ISC_STATUS_ARRAY status{};
    if (cliente_.isc_dsql_describe(status, &handle_, SQLDA_VERSION1, descricao)) banco_.Falha(status);
  }

  TIBDatabase& banco_;
  const ClienteFirebird& cliente_;
  isc_stmt_handle handle_{};
};

// An open blob, closed on every way out.
class Blob {
 public:
  Blob(TIBDatabase& banco, ISC_QUAD* id) : banco_(banco), cliente_(banco.Cliente()) {
    ISC_STATUS_ARRAY status{};
    Ponte vBanco(*banco_.Handle());
    Ponte vTransacao(*banco_.Transacao().Handle());
    if (cliente_.isc_open_blob2(status, vBanco.Endereco(), vTransacao.Endereco(), &handle_, id, 0, nullptr))
      banco_.Falha(status);
  }
  ~Blob() {
    ISC_STATUS_ARRAY status{};
    if (handle_) cliente_.isc_close_blob(status, &handle_);
  }
  Blob(const Blob&) = delete;
  Blob& operator=(const Blob&) = delete;

  std::string Le() {
    std::string sConteudo;
    char vSegmento[8192];
    for (;;) {
      ISC_STATUS_ARRAY status{};
      unsigned short iLido = 0;
      const ISC_STATUS iResultado =
          cliente_.isc_get_segment(status, &handle_, &iLido, sizeof vSegmento, vSegmento);
      if (iResultado == isc_segstr_eof) return sConteudo;
      if (iResultado && iResultado != isc_segment) banco_.Falha(status);
      sConteudo.append(vSegmento, iLido);
    }
  }

 private:
  TIBDatabase& banco_;
  const ClienteFirebird& cliente_;
  isc_blob_handle handle_{};
};

template <class TValor>
TValor LeValor(const char* dados) {
  TValor valor;
  std::memcpy(&valor, dados, sizeof valor);
  return valor;
}

std::string FormataEscalado(int64_t valor, short escala) {
  if (escala >= 0) {
    std::string sTexto = std::to_string(valor);
    if (valor != 0) sTexto.append(static_cast<size_t>(escala), '0');
    return sTexto;
  }
  const bool bNegativo = valor < 0;
  const uint64_t iAbsoluto = bNegativo ? uint64_t{0} - static_cast<uint64_t>(valor) : static_cast<uint64_t>(valor);
  std::string sDigitos = std::to_string(iAbsoluto);
  const size_t iCasas = static_cast<size_t>(-escala);
  if (sDigitos.size() <= iCasas) sDigitos.insert(0, iCasas + 1 - sDigitos.size(), '0');
  sDigitos.insert(sDigitos.size() - iCasas, 1, '.');
  return bNegativo ? "-" + sDigitos : sDigitos;
}

template <class TReal>
std::string FormataReal(TReal valor) {
  char vTexto[64];
  const auto vFim = std::to_chars(vTexto, vTexto + sizeof vTexto, valor);
  return std::string(vTexto, vFim.ptr);
}

std::string DoisDigitos(unsigned valor) {
  return std::string{static_cast<char>('0' + valor / 10 % 10), static_cast<char>('0' + valor % 10)};
}

// Firebird counts days from 17 Nov 1858.
std::string FormataData(ISC_DATE dias) {
  int64_t z = static_cast<int64_t>(dias) - 40587 + 719468;  // days since 1 Mar 0000
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const unsigned iDia = static_cast<unsigned>(doy - (153 * mp + 2) / 5 + 1);
  const unsigned iMes = static_cast<unsigned>(mp < 10 ? mp + 3 : mp - 9);
  const int64_t iAno = yoe + era * 400 + (iMes <= 2 ? 1 : 0);
  std::string sAno = std::to_string(iAno);
  if (sAno.size() < 4) sAno.insert(0, 4 - sAno.size(), '0');
  return DoisDigitos(iDia) + "." + DoisDigitos(iMes) + "." + sAno;
}

// Firebird counts the time of day in units of 1/10000 second.
std::string FormataHora(ISC_TIME unidades) {
  const unsigned iSegundos = static_cast<unsigned>(unidades / 10000);
  return DoisDigitos(iSegundos / 3600) + ":" + DoisDigitos(iSegundos / 60 % 60) + ":" + DoisDigitos(iSegundos % 60);
}

bool TipoConhecido(short tipo) {
  switch (tipo) {
    case SQL_VARYING:
    case SQL_TEXT:
    case SQL_SHORT:
    case SQL_LONG:
    case SQL_INT64:
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_TIMESTAMP:
    case SQL_TYPE_DATE:
    case SQL_TYPE_TIME:
    case SQL_BOOLEAN:
    case SQL_NULL:
    case SQL_BLOB:
      return true;
    default:
      return false;
  }
}

// The types of later servers by their codes, for the error that names them.
std::string NomeTipo(short tipo) {
  switch (tipo) {
    case 32752: return "INT128";
    case 32760: return "DECFLOAT(16)";
    case 32762: return "DECFLOAT(34)";
    case 32754: return "TIME WITH TIME ZONE";
    case 32756: return "TIMESTAMP WITH TIME ZONE";
    default: return "de código " + std::to_string(tipo);
  }
}

// A type this wrapper has no layout for is an error that says which column and type, never a
// text in the server's own format that the rest of the program would misread.
void PreparaColuna(XSQLVAR& coluna, std::vector<char>& dados, short& indicador) {
  const short tipo = static_cast<short>(coluna.sqltype & ~1);
  if (!TipoConhecido(tipo))
    FalhaCliente("A coluna " + std::string(coluna.aliasname, static_cast<size_t>(coluna.aliasname_length)) +
                 " é do tipo " + NomeTipo(tipo) + ", que o monitor não lê.");
  const short iTipo = static_cast<short>(coluna.sqltype & ~1);
  const size_t iTamanho = static_cast<size_t>(coluna.sqllen) + (iTipo == SQL_VARYING ? 2 : 0);
  dados.assign(iTamanho > 0 ? iTamanho : 1, '\0');
  coluna.sqltype = static_cast<short>(iTipo | 1);  // always ask for the null indicator
  coluna.sqldata = dados.data();
  coluna.sqlind = &indicador;
}

std::optional<std::string> ConverteColuna(TIBDatabase& banco, const XSQLVAR& coluna) {
  if (*coluna.sqlind < 0) return std::nullopt;
  const char* vDados = coluna.sqldata;
  switch (coluna.sqltype & ~1) {
    case SQL_VARYING: {
      const auto iTamanho = static_cast<unsigned short>(LeValor<short>(vDados));
      return UnCodigoAnsi::DeAnsi(std::string_view(vDados + 2, iTamanho));
    }
    case SQL_TEXT:
      return UnCodigoAnsi::DeAnsi(
          RemoveBrancosDireita(std::string(vDados, static_cast<size_t>(coluna.sqllen))));
    case SQL_SHORT:
      return FormataEscalado(LeValor<ISC_SHORT>(vDados), coluna.sqlscale);
    case SQL_LONG:
      return FormataEscalado(LeValor<ISC_LONG>(vDados), coluna.sqlscale);
    case SQL_INT64:
      return FormataEscalado(LeValor<ISC_INT64>(vDados), coluna.sqlscale);
    case SQL_FLOAT:
      return FormataReal(LeValor<float>(vDados));
    case SQL_DOUBLE:
      return FormataReal(LeValor<double>(vDados));
    case SQL_TIMESTAMP: {
      const auto vMomento = LeValor<ISC_TIMESTAMP>(vDados);
      return FormataData(vMomento.timestamp_date) + " " + FormataHora(vMomento.timestamp_time);
    }
    case SQL_TYPE_DATE:
      return FormataData(LeValor<ISC_DATE>(vDados));
    case SQL_TYPE_TIME:
      return FormataHora(LeValor<ISC_TIME>(vDados));
    case SQL_BOOLEAN:
      return std::string(LeValor<FB_BOOLEAN>(vDados) ? "True" : "False");
    case SQL_BLOB: {
      auto vId = LeValor<ISC_QUAD>(vDados);
      Blob vBlob(banco, &vId);
      return vBlob.Le();
    }
    default:  // SQL_NULL: the literal NULL of a select list
      return std::nullopt;
  }
}

void ExigeTexto(const std::string& sql) {
  for (char c : sql)
    if (!EhBranco(c)) return;
  FalhaCliente("O comando SQL está vazio.");
}

}  // namespace

// ---------------------------------------------------------------------------------------------

TIBTransaction::TIBTransaction(TIBDatabase& banco) : banco_(banco) {}

TIBTransaction::~TIBTransaction() = default;

uintptr_t* TIBTransaction::Handle() { return &handle_; }

void TIBTransaction::Inicia() {
  if (Ativa()) return;
  if (!banco_.Conectado()) FalhaCliente("O banco de dados não está conectado.");
  static const char vParametros[] = {isc_tpb_version3, isc_tpb_read_committed, isc_tpb_rec_version,
                                     isc_tpb_nowait};
  ISC_STATUS_ARRAY status{};
  Ponte vTransacao(handle_);
  Ponte vBanco(*banco_.Handle());
  if (banco_.Cliente().isc_start_transaction(status, vTransacao.Endereco(), 1, vBanco.Endereco(),
                                             static_cast<int>(sizeof vParametros), vParametros))
    banco_.Falha(status);
}

void TIBTransaction::CommitRetaining() {
  if (!Ativa()) return;
  ISC_STATUS_ARRAY status{};
  Ponte vTransacao(handle_);
  if (banco_.Cliente().isc_commit_retaining(status, vTransacao.Endereco())) banco_.Falha(status);
}

void TIBTransaction::Commit() {
  if (!Ativa()) return;
  ISC_STATUS_ARRAY status{};
  Ponte vTransacao(handle_);
  if (banco_.Cliente().isc_commit_transaction(status, vTransacao.Endereco())) banco_.Falha(status);
}

void TIBTransaction::Rollback() {
  if (!Ativa()) return;
  ISC_STATUS_ARRAY status{};
  Ponte vTransacao(handle_);
  if (banco_.Cliente().isc_rollback_transaction(status, vTransacao.Endereco())) banco_.Falha(status);
}

// ---------------------------------------------------------------------------------------------

TIBDatabase::TIBDatabase(std::vector<std::string> bibliotecas)
    : bibliotecas_(bibliotecas.empty() ? BibliotecasPadrao() : std::move(bibliotecas)),
      cliente_(CarregaCliente(bibliotecas_)),
      transacao_(std::make_unique<TIBTransaction>(*this)) {}

TIBDatabase::~TIBDatabase() { Desconecta(); }

const ClienteFirebird& TIBDatabase::Cliente() const { return *cliente_; }

void TIBDatabase::Conecta() {
  if (Conectado()) return;
  if (nome_.empty()) FalhaCliente("O nome do banco de dados não foi informado.");
  std::string sParametros(1, static_cast<char>(isc_dpb_version1));
  const auto AdicionaParametro = [&sParametros](char codigo, const std::string& valor) {
    sParametros += codigo;
    sParametros += static_cast<char>(valor.size() < 255 ? valor.size() : 255);
    sParametros += valor.substr(0, 255);
  };
  AdicionaParametro(isc_dpb_user_name, usuario_);
  AdicionaParametro(isc_dpb_password, senha_);
  {
    ISC_STATUS_ARRAY status{};
    Ponte vBanco(handle_);  // gives the handle back when it goes
    const std::string sNomeAnsi = UnCodigoAnsi::ParaAnsi(nome_);
    if (cliente_->isc_attach_database(status, 0, sNomeAnsi.c_str(), vBanco.Endereco(),
                                      static_cast<short>(sParametros.size()), sParametros.data()))
      Falha(status);
  }
  AjustaSessao();
}

void TIBDatabase::AjustaSessao() {
  // A session left without its binds would read the new types later: it is closed instead.
  try {
    TIBQuery consulta(*this);
    consulta.SQL = " select rdb$get_context('SYSTEM', 'ENGINE_VERSION') as versao from rdb$database";
    consulta.Open();
    const std::string versao = consulta.FieldAsString("versao");
    iVersaoMotor_ = 0;
    for (char c : versao) {
      if (c < '0' || c > '9') break;
      iVersaoMotor_ = iVersaoMotor_ * 10 + (c - '0');
    }
    if (iVersaoMotor_ >= 4) {
      for (const char* tipo : {"TIME ZONE", "INT128", "DECFLOAT"}) {
        consulta.SQL = std::string(" SET BIND OF ") + tipo + " TO LEGACY";
        consulta.ExecSQL();
      }
    }
    // The binds belong to the session; the connection hands on no transaction of its own.
    transacao_->Commit();
  } catch (...) {
    Desconecta();
    throw;
  }
}

void TIBDatabase::CriaBanco(const std::string& opcoes) {
  if (Conectado()) FalhaCliente("O banco de dados já está conectado.");
  if (nome_.empty()) FalhaCliente("O nome do banco de dados não foi informado.");
  std::string sComando = "CREATE DATABASE " + QuotedStr(nome_) + " USER " + QuotedStr(usuario_) + " PASSWORD " +
                         QuotedStr(senha_);
  if (!opcoes.empty()) sComando += " " + opcoes;
  {
    ISC_STATUS_ARRAY status{};
    uintptr_t iTransacao = 0;
    Ponte vBanco(handle_);
    Ponte vTransacao(iTransacao);
    if (cliente_->isc_dsql_execute_immediate(status, vBanco.Endereco(), vTransacao.Endereco(), 0,
                                             sComando.c_str(), SQL_DIALECT_V6, nullptr))
      Falha(status);
  }
  AjustaSessao();
}

void TIBDatabase::Desconecta() {
  if (!Conectado()) {
    transacao_->Esquece();
    return;
  }
  // The connection may already be dead: whatever the server says now is of no use.
  ISC_STATUS_ARRAY status{};
  if (transacao_->Ativa()) {
    Ponte vTransacao(*transacao_->Handle());
    if (cliente_->isc_commit_transaction(status, vTransacao.Endereco()))
      cliente_->isc_rollback_transaction(status, vTransacao.Endereco());
  }
  transacao_->Esquece();
  {
    Ponte vBanco(handle_);
    cliente_->isc_detach_database(status, vBanco.Endereco());
  }
  handle_ = 0;
}

void TIBDatabase::Prepara() {
  Conecta();
  transacao_->Inicia();
}

void TIBDatabase::Falha(const intptr_t* status) const {
  std::vector<long> vCodigos;
  for (size_t i = 0; status[i] != isc_arg_end;) {
    const ISC_STATUS iTipo = status[i];
    if (iTipo == isc_arg_gds) vCodigos.push_back(static_cast<long>(status[i + 1]));
    i += iTipo == isc_arg_cstring ? 3 : 2;
  }
  std::string sMensagem;
  const ISC_STATUS* vPosicao = status;
  char vLinha[1024];
  while (cliente_->fb_interpret(vLinha, sizeof vLinha, &vPosicao) > 0) {
    if (!sMensagem.empty()) sMensagem += "\r\n";
    sMensagem += UnCodigoAnsi::DeAnsi(vLinha);
  }
  if (sMensagem.empty())
    sMensagem = "Erro do Firebird " + std::to_string(vCodigos.empty() ? 0 : vCodigos.front()) + ".";
  throw EIBError("EIBInterBaseError", sMensagem, std::move(vCodigos));
}

// ---------------------------------------------------------------------------------------------

void TIBQuery::Close() {
  colunas_.clear();
  linhas_.clear();
}

void TIBQuery::Open() {
  Close();
  ExigeTexto(SQL);
  banco_.Prepara();
  Comando vComando(banco_);
  vComando.Prepara(SQL);
  Descricao vDescricao = vComando.Descreve();
  const auto iColunas = static_cast<size_t>(vDescricao->sqld);
  std::vector<std::vector<char>> vDados(iColunas);
  std::vector<short> vIndicadores(iColunas);
  std::vector<std::string> vNomes;
  for (size_t i = 0; i < iColunas; ++i) {
    XSQLVAR& vColuna = vDescricao->sqlvar[i];
    PreparaColuna(vColuna, vDados[i], vIndicadores[i]);
    vNomes.emplace_back(vColuna.aliasname, static_cast<size_t>(vColuna.aliasname_length));
  }
  vComando.Executa();
  std::vector<std::vector<std::optional<std::string>>> vLinhas;
  if (iColunas > 0) {
    while (vComando.Busca(vDescricao.get())) {
      std::vector<std::optional<std::string>> vLinha;
      vLinha.reserve(iColunas);
      for (size_t i = 0; i < iColunas; ++i) vLinha.push_back(ConverteColuna(banco_, vDescricao->sqlvar[i]));
      vLinhas.push_back(std::move(vLinha));
    }
  }
  colunas_ = std::move(vNomes);
  linhas_ = std::move(vLinhas);
}

void TIBQuery::ExecSQL() {
  Close();
  ExigeTexto(SQL);
  banco_.Prepara();
  Comando vComando(banco_);
  vComando.Prepara(SQL);
  vComando.Executa();
}

const std::optional<std::string>* TIBQuery::Campo(size_t linha, const std::string& campo) const {
  const std::string sProcurado = Maiusculas(campo);
  for (size_t i = 0; i < colunas_.size(); ++i) {
    if (Maiusculas(colunas_[i]) != sProcurado) continue;
    return linha < linhas_.size() ? &linhas_[linha][i] : nullptr;
  }
  FalhaCliente("O campo " + campo + " não foi encontrado.");
}

int64_t TIBQuery::FieldAsInteger(const std::string& campo) const {
  const std::optional<std::string>* vCampo = Campo(0, campo);
  if (!vCampo || !*vCampo) return 0;
  const std::string& sTexto = **vCampo;
  size_t iInicio = 0, iFim = sTexto.size();
  while (iInicio < iFim && EhBranco(sTexto[iInicio])) ++iInicio;
  while (iFim > iInicio && EhBranco(sTexto[iFim - 1])) --iFim;
  if (iFim - iInicio > 1 && sTexto[iInicio] == '+' && sTexto[iInicio + 1] != '-') ++iInicio;
  int64_t iValor = 0;
  const auto vResultado = std::from_chars(sTexto.data() + iInicio, sTexto.data() + iFim, iValor);
  if (iInicio == iFim || vResultado.ec != std::errc() || vResultado.ptr != sTexto.data() + iFim)
    FalhaCliente("'" + sTexto + "' não é um valor inteiro válido.");
  return iValor;
}

std::string TIBQuery::FieldAsString(const std::string& campo) const { return FieldAsString(0, campo); }

std::string TIBQuery::FieldAsString(size_t linha, const std::string& campo) const {
  const std::optional<std::string>* vCampo = Campo(linha, campo);
  return vCampo && *vCampo ? **vCampo : std::string();
}

bool TIBQuery::FieldIsNull(const std::string& campo) const {
  const std::optional<std::string>* vCampo = Campo(0, campo);
  return !vCampo || !*vCampo;
}

std::string QuotedStr(const std::string& valor) {
  std::string sTexto = "'";
  for (char c : valor) {
    sTexto += c;
    if (c == '\'') sTexto += '\'';
  }
  return sTexto + "'";
}

}  // namespace UnFirebird
