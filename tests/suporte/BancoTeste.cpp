#include "suporte/BancoTeste.h"

#include <sstream>
#include <vector>

#include "database/UnFirebird.h"
#include "suporte/PastaTemporaria.h"

using UnFirebird::QuotedStr;
using UnFirebird::TIBDatabase;
using UnFirebird::TIBQuery;

namespace {

// The tables as the ERP creates them, one statement a line of the schema file.
std::vector<std::string> Esquema() {
  std::vector<std::string> comandos;
  std::istringstream linhas(LeTexto(MONITOR_RAIZ_FONTES "/tests/suporte/esquema-erp.sql"));
  for (std::string linha; std::getline(linhas, linha);)
    if (linha.rfind("create ", 0) == 0) comandos.push_back(linha.substr(0, linha.rfind(';')));
  return comandos;
}

// A piece of the access key as a number, or null when the key is too short or not digits.
std::string NumeroDaChave(const std::string& chave, size_t inicio, size_t tamanho) {
  if (chave.size() < inicio + tamanho) return "null";
  const std::string sDigitos = chave.substr(inicio, tamanho);
  if (sDigitos.find_first_not_of("0123456789") != std::string::npos) return "null";
  return std::to_string(std::stoll(sDigitos));
}

TIBQuery Consulta(TIBDatabase& banco, const std::string& sql) {
  TIBQuery vConsulta(banco);
  vConsulta.SQL = sql;
  vConsulta.Open();
  return vConsulta;
}

std::string PrimeiraColuna(const TIBQuery& consulta) {
  return consulta.Colunas().empty() ? std::string() : consulta.Colunas().front();
}

}  // namespace

BancoTeste::BancoTeste(const std::string& nome) : nome_(nome) {
  TIBDatabase vBanco;
  vBanco.DefineNome(nome_);
  vBanco.CriaBanco("PAGE_SIZE 8192 DEFAULT CHARACTER SET NONE");
  TIBQuery vComando(vBanco);
  for (const std::string& sTabela : Esquema()) {
    vComando.SQL = sTabela;
    vComando.ExecSQL();
  }
  vBanco.Transacao().Commit();
  vComando.SQL = "insert into TAB_PARAMETRO (ID_PARAMETRO) values (1)";
  vComando.ExecSQL();
  vBanco.Desconecta();
}

BancoTeste::~BancoTeste() = default;

void BancoTeste::Executa(const std::string& sql) {
  TIBDatabase vBanco;
  vBanco.DefineNome(nome_);
  TIBQuery vComando(vBanco);
  vComando.SQL = sql;
  vComando.ExecSQL();
  vBanco.Transacao().Commit();
}

int64_t BancoTeste::Inteiro(const std::string& sql) {
  TIBDatabase vBanco;
  vBanco.DefineNome(nome_);
  const TIBQuery vConsulta = Consulta(vBanco, sql);
  return vConsulta.FieldAsInteger(PrimeiraColuna(vConsulta));
}

std::string BancoTeste::Texto(const std::string& sql) {
  TIBDatabase vBanco;
  vBanco.DefineNome(nome_);
  const TIBQuery vConsulta = Consulta(vBanco, sql);
  return vConsulta.FieldAsString(PrimeiraColuna(vConsulta));
}

bool BancoTeste::Nulo(const std::string& sql) {
  TIBDatabase vBanco;
  vBanco.DefineNome(nome_);
  const TIBQuery vConsulta = Consulta(vBanco, sql);
  return vConsulta.FieldIsNull(PrimeiraColuna(vConsulta));
}

void BancoTeste::DefineRaizCTe(const std::string& raiz) {
  Executa("update TAB_PARAMETRO set NM_CAMINHO_RAIZ_CTE = " + QuotedStr(raiz));
}

int32_t BancoTeste::AdicionaEmpresa(const std::string& cnpj, bool emitente) {
  const auto iId = static_cast<int32_t>(Inteiro("select coalesce(max(id_pessoa), 0) + 1 from CAD_PESSOA"));
  Executa("insert into CAD_PESSOA (id_pessoa, id_empresa, no_cnpj_cpf, st_emitente_cte) values (" +
          std::to_string(iId) + ", " + std::to_string(iId) + ", " + (cnpj.empty() ? "null" : QuotedStr(cnpj)) +
          ", " + QuotedStr(emitente ? "S" : "N") + ")");
  return iId;
}

int32_t BancoTeste::AdicionaCTe(int32_t idEmpresa, const std::string& chave44,
                                std::optional<std::string> chaveGravada) {
  TIBDatabase vBanco;
  vBanco.DefineNome(nome_);
  const int32_t iId = InsereCTe(vBanco, idEmpresa, chave44, chaveGravada);
  vBanco.Transacao().Commit();
  return iId;
}

std::vector<int32_t> BancoTeste::AdicionaCTes(int32_t idEmpresa,
                                              const std::vector<std::string>& chaves44) {
  TIBDatabase vBanco;
  vBanco.DefineNome(nome_);
  std::vector<int32_t> ids;
  for (const std::string& chave : chaves44) ids.push_back(InsereCTe(vBanco, idEmpresa, chave, {}));
  vBanco.Transacao().Commit();
  return ids;
}

int32_t BancoTeste::InsereCTe(TIBDatabase& vBanco, int32_t idEmpresa, const std::string& chave44,
                              const std::optional<std::string>& chaveGravada) {
  const TIBQuery vConsulta = Consulta(vBanco, "select coalesce(max(id_cte), 0) + 1 from MOV_CTE");
  const auto iId = static_cast<int32_t>(vConsulta.FieldAsInteger(PrimeiraColuna(vConsulta)));
  const std::string sId = std::to_string(iId);
  TIBQuery vComando(vBanco);
  vComando.SQL = "insert into MOV_CTE (id_cte, NO_DOC_CTE, id_empresa_cte) values (" + sId + ", " +
                 NumeroDaChave(chave44, 25, 9) + ", " + std::to_string(idEmpresa) + ")";
  vComando.ExecSQL();
  vComando.SQL = "insert into MOV_CTE_RET (id_cte, cd_chave_acesso_cte, NO_COD_NUMERICO_CTE) values (" +
                 sId + ", " + QuotedStr(chaveGravada.value_or("CTe" + chave44)) + ", " +
                 NumeroDaChave(chave44, 35, 8) + ")";
  vComando.ExecSQL();
  return iId;
}
