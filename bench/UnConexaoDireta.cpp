#include "UnConexaoDireta.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace {

using Descricao = std::unique_ptr<XSQLDA, void (*)(void*)>;

Descricao CriaDescricao(short colunas) {
  auto* vDescricao = static_cast<XSQLDA*>(std::calloc(1, XSQLDA_LENGTH(colunas)));
  if (!vDescricao) throw std::bad_alloc();
  vDescricao->version = SQLDA_VERSION1;
  vDescricao->sqln = colunas;
  return Descricao(vDescricao, std::free);
}

std::string TextoColuna(const XSQLVAR& coluna) {
  if (*coluna.sqlind < 0) return {};
  const char* dados = coluna.sqldata;
  switch (coluna.sqltype & ~1) {
    case SQL_VARYING: {
      short tamanho = 0;
      std::memcpy(&tamanho, dados, sizeof tamanho);
      return std::string(dados + 2, static_cast<unsigned short>(tamanho));
    }
    case SQL_TEXT: {
      std::string texto(dados, static_cast<size_t>(coluna.sqllen));
      while (!texto.empty() && texto.back() == ' ') texto.pop_back();
      return texto;
    }
    case SQL_SHORT: {
      ISC_SHORT v;
      std::memcpy(&v, dados, sizeof v);
      return std::to_string(v);
    }
    case SQL_LONG: {
      ISC_LONG v;
      std::memcpy(&v, dados, sizeof v);
      return std::to_string(v);
    }
    case SQL_INT64: {
      ISC_INT64 v;
      std::memcpy(&v, dados, sizeof v);
      return std::to_string(v);
    }
    default:
      throw std::runtime_error("column type not read by the floor");
  }
}

std::string ParametrosUsuario(const std::string& usuario, const std::string& senha) {
  std::string dpb(1, static_cast<char>(isc_dpb_version1));
  for (const auto& [codigo, valor] : {std::pair{isc_dpb_user_name, usuario},
                                      std::pair{isc_dpb_password, senha}}) {
    dpb += static_cast<char>(codigo);
    dpb += static_cast<char>(valor.size());
    dpb += valor;
  }
  return dpb;
}

}  // namespace

ConexaoDireta::ConexaoDireta(const std::string& banco, const std::string& usuario,
                             const std::string& senha)
    : ConexaoDireta(banco, ParametrosUsuario(usuario, senha)) {}

void ConexaoDireta::DefineEscritaForcada(const std::string& banco, const std::string& usuario,
                                         const std::string& senha, bool forcada) {
  std::string dpb = ParametrosUsuario(usuario, senha);
  dpb += static_cast<char>(isc_dpb_force_write);
  dpb += static_cast<char>(1);
  dpb += static_cast<char>(forcada ? 1 : 0);
  ConexaoDireta conexao(banco, dpb);
}

ConexaoDireta::ConexaoDireta(const std::string& banco, const std::string& dpb) {
  ISC_STATUS_ARRAY status{};
  if (isc_attach_database(status, 0, banco.c_str(), &banco_, static_cast<short>(dpb.size()),
                          dpb.data()))
    Falha(status);
  if (isc_dsql_allocate_statement(status, &banco_, &comando_)) Falha(status);
}

ConexaoDireta::~ConexaoDireta() {
  ISC_STATUS_ARRAY status{};
  if (comando_) isc_dsql_free_statement(status, &comando_, DSQL_drop);
  if (transacao_) isc_commit_transaction(status, &transacao_);
  if (banco_) isc_detach_database(status, &banco_);
}

void ConexaoDireta::IniciaTransacao() {
  if (transacao_) return;
  static const char tpb[] = {isc_tpb_version3, isc_tpb_read_committed, isc_tpb_rec_version,
                             isc_tpb_nowait};
  ISC_STATUS_ARRAY status{};
  if (isc_start_transaction(status, &transacao_, 1, &banco_, static_cast<short>(sizeof tpb), tpb))
    Falha(status);
}

void ConexaoDireta::Confirma() {
  if (!transacao_) return;
  ISC_STATUS_ARRAY status{};
  if (isc_commit_transaction(status, &transacao_)) Falha(status);
}

void ConexaoDireta::Prepara(const std::string& sql) {
  IniciaTransacao();
  ISC_STATUS_ARRAY status{};
  if (isc_dsql_prepare(status, &transacao_, &comando_, static_cast<unsigned short>(sql.size()),
                       sql.c_str(), SQL_DIALECT_V6, nullptr))
    Falha(status);
}

void ConexaoDireta::Executa(const std::string& sql) {
  Prepara(sql);
  ISC_STATUS_ARRAY status{};
  if (isc_dsql_execute(status, &transacao_, &comando_, SQLDA_VERSION1, nullptr)) Falha(status);
}

std::vector<std::vector<std::string>> ConexaoDireta::Pesquisa(const std::string& sql) {
  Prepara(sql);
  ISC_STATUS_ARRAY status{};
  Descricao descricao = CriaDescricao(4);
  if (isc_dsql_describe(status, &comando_, SQLDA_VERSION1, descricao.get())) Falha(status);
  if (descricao->sqld > descricao->sqln) {
    descricao = CriaDescricao(descricao->sqld);
    if (isc_dsql_describe(status, &comando_, SQLDA_VERSION1, descricao.get())) Falha(status);
  }
  const auto colunas = static_cast<size_t>(descricao->sqld);
  std::vector<std::vector<char>> dados(colunas);
  std::vector<short> indicadores(colunas);
  for (size_t i = 0; i < colunas; ++i) {
    XSQLVAR& coluna = descricao->sqlvar[i];
    const bool variavel = (coluna.sqltype & ~1) == SQL_VARYING;
    dados[i].assign(static_cast<size_t>(coluna.sqllen) + (variavel ? 2 : 0) + 1, '\0');
    coluna.sqltype = static_cast<short>(coluna.sqltype | 1);
    coluna.sqldata = dados[i].data();
    coluna.sqlind = &indicadores[i];
  }
  if (isc_dsql_execute(status, &transacao_, &comando_, SQLDA_VERSION1, nullptr)) Falha(status);
  std::vector<std::vector<std::string>> linhas;
  for (;;) {
    const ISC_STATUS resultado = isc_dsql_fetch(status, &comando_, SQLDA_VERSION1, descricao.get());
    if (resultado == 100) break;
    if (resultado) Falha(status);
    std::vector<std::string> linha;
    for (size_t i = 0; i < colunas; ++i) linha.push_back(TextoColuna(descricao->sqlvar[i]));
    linhas.push_back(std::move(linha));
  }
  if (isc_dsql_free_statement(status, &comando_, DSQL_close)) Falha(status);
  return linhas;
}

void ConexaoDireta::Falha(const ISC_STATUS* status) const {
  std::string mensagem;
  const ISC_STATUS* posicao = status;
  char linha[1024];
  while (fb_interpret(linha, sizeof linha, &posicao) > 0) mensagem += std::string(linha) + "\n";
  throw std::runtime_error("Firebird: " + mensagem);
}
