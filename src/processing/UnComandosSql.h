#pragma once
// The statement texts of the answer-file processors, the one place where values read from a
// file become statement text. Each value is checked against its form before anything runs
// (UnFuncoesCTe::EValorInvalido otherwise): numbers and statuses are plain runs of digits,
// protocols 15 or 17 digits, dates dd.mm.yyyy hh:mm:ss; keys are quoted once they are known to
// reach the database unchanged in the workstation's code page.
#include <cstdint>
#include <string>

#include "processing/UnLeituraRespostas.h"

namespace UnComandosSql {

// CT-e of a lot-number file, by document number and numeric code.
std::string MontaPesquisaLote(const std::string& documento, const std::string& codigoNumerico);
std::string MontaGravaNumeroLote(int32_t id, int32_t lote);
// The latest CT-e of the company (its CNPJ as stored) whose lot number was recorded as `lote`.
std::string MontaPesquisaCTeDoLote(int32_t lote, const std::string& cnpj);
// The receipt of a received lot, and the status alone of a lot refused at reception.
std::string MontaGravaRecibo(const UnLeituraRespostas::ReciboLido& recibo, int32_t id);
std::string MontaGravaStatusRecibo(const std::string& status, int32_t id);
// CT-e by its access key as stored ("CTe" + the 44 digits).
std::string MontaPesquisaChave(const std::string& chave);
// What the CT-e row of a stored key holds of its authorisation and cancellation.
std::string MontaPesquisaSituacaoChave(const std::string& chave);
// Authorisation from a processing-result file.
std::string MontaGravaProtocolo(const std::string& statusLote,
                                const UnLeituraRespostas::ProtocoloLido& protocolo, int32_t id);
// Authorisation and cancellation from a situation answer.
std::string MontaGravaAutorizacaoSituacao(const std::string& statusResposta,
                                          const UnLeituraRespostas::ProtocoloLido& protocolo,
                                          int32_t id);
std::string MontaGravaCancelamentoSituacao(const UnLeituraRespostas::CancelamentoLido& cancelamento,
                                           int32_t id);
// Cancellation from an event answer.
std::string MontaGravaCancelamentoEvento(const UnLeituraRespostas::EventoLido& evento, int32_t id);
// Key and issuer CNPJ of a CT-e to print.
std::string MontaPesquisaImpressao(int32_t id);

}  // namespace UnComandosSql
