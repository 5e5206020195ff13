#pragma once
// The two version columns of TAB_PARAMETRO: added when missing, read back otherwise.
#include <string>

namespace UnFirebird {
class TIBDatabase;
}

namespace UnCamposVersao {

inline constexpr const char* VERSAO_INICIAL = "Versao Inicial";

// The statements as the ERP's tools expect them, blanks included.
inline constexpr const char* SQL_PRESENCA_VERSAO =
    " sELECT r.* FROM RDB$RELATION_fields r                where"
    "                                                r.RDB$relation_name ='TAB_PARAMETRO'"
    " and  r.RDB$field_name = 'VERSAO_ERP'";
inline constexpr const char* SQL_LE_VERSAO =
    " sELECT coalesce(VERSAO_ERP,'Versao Inicial') as coalesce from  TAB_PARAMETRO            ";
inline constexpr const char* SQL_LE_SCRIPT = " select script_rodado from tab_parametro";
inline constexpr const char* SQL_ADICIONA_SCRIPT =
    "alter table tab_parametro add script_rodado integer";
inline constexpr const char* SQL_ADICIONA_VERSAO =
    "alter table tab_parametro add VERSAO_ERP varchar(30)";
inline constexpr const char* SQL_GRAVA_SCRIPT =
    " update tab_parametro a set a.script_rodado = (select max(a.no_log_atualizacao) from "
    "mov_log_atualizacao a)";
// Followed by the quoted version text.
inline constexpr const char* SQL_GRAVA_VERSAO = " update tab_parametro a set a.VERSAO_ERP = ";

// Makes sure SCRIPT_RODADO and VERSAO_ERP exist and yields their values (VersaoERP is
// "Versao Inicial" when null or just added; ScriptRodado empty when null, without a row, or
// just added). Database errors propagate.
void VerificaCamposVersao(UnFirebird::TIBDatabase& banco, std::string& VersaoERP,
                          std::string& ScriptRodado);

}  // namespace UnCamposVersao
