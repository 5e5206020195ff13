#include "database/UnCamposVersao.h"

#include "database/UnFirebird.h"

namespace UnCamposVersao {

void VerificaCamposVersao(UnFirebird::TIBDatabase& banco, std::string& VersaoERP,
                          std::string& ScriptRodado) {
  UnFirebird::TIBQuery qry(banco);
  qry.SQL = SQL_PRESENCA_VERSAO;
  qry.Open();
  if (!qry.Vazia()) {
    qry.Close();
    qry.SQL = SQL_LE_VERSAO;
    qry.Open();
    VersaoERP = qry.FieldAsString("coalesce");
    qry.Close();
    qry.SQL = SQL_LE_SCRIPT;
    qry.Open();
    ScriptRodado = qry.FieldAsString("script_rodado");
    return;
  }
  // Only VERSAO_ERP is looked for: the two columns come and go together.
  qry.Close();
  qry.SQL = SQL_ADICIONA_SCRIPT;
  qry.ExecSQL();
  qry.Close();
  qry.SQL = SQL_ADICIONA_VERSAO;
  qry.ExecSQL();
  banco.Transacao().CommitRetaining();
  qry.Close();
  qry.SQL = SQL_GRAVA_SCRIPT;
  qry.ExecSQL();
  banco.Transacao().CommitRetaining();
  qry.Close();
  VersaoERP = VERSAO_INICIAL;
  ScriptRodado.clear();
  qry.SQL = std::string(SQL_GRAVA_VERSAO) + UnFirebird::QuotedStr(VersaoERP);
  qry.ExecSQL();
  banco.Transacao().CommitRetaining();
}

}  // namespace UnCamposVersao
