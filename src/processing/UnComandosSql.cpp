#include "processing/UnComandosSql.h"

#include "processing/UnFuncoesCTe.h"

namespace UnComandosSql {

using UnFuncoesCTe::DataSql;
using UnFuncoesCTe::Numero;
using UnFuncoesCTe::NumeroOuNull;
using UnFuncoesCTe::ProtocoloOuNull;
using UnFuncoesCTe::TextoSql;

std::string MontaPesquisaLote(const std::string& documento, const std::string& codigoNumerico) {
  return " select cte.id_cte from mov_cte cte inner join MOV_CTE_RET mcr on (mcr.id_cte = "
         "cte.id_cte) where cte.NO_DOC_CTE = " +
         Numero(documento) + " and mcr.NO_COD_NUMERICO_CTE = " + Numero(codigoNumerico);
}

std::string MontaGravaNumeroLote(int32_t id, int32_t lote) {
  return " update MOV_CTE_RET set NO_LOTE_CTE = " + std::to_string(lote) +
         " where id_cte = " + std::to_string(id);
}

std::string MontaPesquisaCTeDoLote(int32_t lote, const std::string& cnpj) {
  return " select first 1 mcr.id_cte from MOV_CTE_RET mcr inner join mov_cte cte on "
         "(cte.id_cte = mcr.id_cte) inner join cad_pessoa emp on (emp.id_pessoa = "
         "cte.id_empresa_cte) where mcr.NO_LOTE_CTE = " +
         std::to_string(lote) + " and emp.no_cnpj_cpf = " + TextoSql(cnpj) +
         " order by mcr.id_cte desc";
}

std::string MontaGravaRecibo(const UnLeituraRespostas::ReciboLido& recibo, int32_t id) {
  return " update MOV_CTE_RET set cd_st_recebto_cte = " + Numero(recibo.sStatus) + "," +
         " no_recibo_cte = " + NumeroOuNull(recibo.sRecibo) + "," +
         " dh_recebto_cte = " + DataSql(recibo.sDataRecebimento) + "," +
         " qt_media_resposta_cte = " + NumeroOuNull(recibo.sTempoMedio) +
         " where id_cte = " + std::to_string(id);
}

std::string MontaGravaStatusRecibo(const std::string& status, int32_t id) {
  return " update MOV_CTE_RET set cd_st_recebto_cte = " + Numero(status) +
         " where id_cte = " + std::to_string(id);
}

std::string MontaPesquisaChave(const std::string& chave) {
  return " select cte.id_cte, mcr.cd_chave_acesso_cte from mov_cte cte inner join MOV_CTE_RET "
         "mcr on (cte.id_cte = mcr.id_cte) where mcr.cd_chave_acesso_cte = " +
         TextoSql(chave);
}

std::string MontaPesquisaSituacaoChave(const std::string& chave) {
  return " select mcr.id_cte, mcr.CD_ST_CTE, mcr.NO_PROTOCOLO_CTE, mcr.NO_PROTOCOLO_CAN_CTE from "
         "MOV_CTE_RET mcr where mcr.cd_chave_acesso_cte = " +
         TextoSql(chave);
}

std::string MontaGravaProtocolo(const std::string& statusLote,
                                const UnLeituraRespostas::ProtocoloLido& protocolo, int32_t id) {
  return " update MOV_CTE_RET set cd_st_lote_cte = " + NumeroOuNull(statusLote) + "," +
         " NO_PROTOCOLO_CTE = " + ProtocoloOuNull(protocolo.sProtocolo) + "," +
         " DH_PROCESSA_CTE = " + DataSql(protocolo.sDataProcessamento) + "," +
         " CD_ST_CTE = " + NumeroOuNull(protocolo.sStatus) +
         " where ID_CTE = " + std::to_string(id);
}

std::string MontaGravaAutorizacaoSituacao(const std::string& statusResposta,
                                          const UnLeituraRespostas::ProtocoloLido& protocolo,
                                          int32_t id) {
  return " update MOV_CTE_RET set cd_st_lote_cte = " + NumeroOuNull(statusResposta) + "," +
         " NO_PROTOCOLO_CTE = " + ProtocoloOuNull(protocolo.sProtocolo) + "," +
         " DH_PROCESSA_CTE = " + DataSql(protocolo.sDataProcessamento) + "," +
         " CD_ST_CTE = " + Numero(protocolo.sStatus) +
         " where id_cte = " + std::to_string(id);
}

std::string MontaGravaCancelamentoSituacao(const UnLeituraRespostas::CancelamentoLido& cancelamento,
                                           int32_t id) {
  return " update MOV_CTE_RET set NO_PROTOCOLO_CAN_CTE = " + ProtocoloOuNull(cancelamento.sProtocolo) +
         "," + " DH_PROCESSA_CAN_CTE = " + DataSql(cancelamento.sData) + "," +
         " CD_ST_CAN_CTE = 135" + " where id_cte = " + std::to_string(id);
}

std::string MontaGravaCancelamentoEvento(const UnLeituraRespostas::EventoLido& evento, int32_t id) {
  return " update MOV_CTE_RET set NO_PROTOCOLO_CAN_CTE = " + ProtocoloOuNull(evento.sProtocolo) +
         "," + " DH_PROCESSA_CAN_CTE = " + DataSql(evento.sDataRegistro) + "," +
         " CD_ST_CAN_CTE = " + NumeroOuNull(evento.sStatus) +
         " where id_cte = " + std::to_string(id);
}

std::string MontaPesquisaImpressao(int32_t id) {
  return " select cte.id_cte, emp.no_cnpj_cpf, mcr.cd_chave_acesso_cte from mov_cte cte inner "
         "join MOV_CTE_RET mcr on (mcr.id_cte = cte.id_cte) inner join cad_pessoa emp on "
         "(emp.id_pessoa = cte.id_empresa_cte) where cte.id_cte = " +
         std::to_string(id);
}

}  // namespace UnComandosSql
