#include "processing/UnClassesErro.h"

#include <algorithm>
#include <initializer_list>
#include <string>

#include "database/UnFirebird.h"
#include "platform/UnCodigoAnsi.h"
#include "platform/UnXml.h"
#include "processing/UnFuncoesCTe.h"

namespace UnClassesErro {

namespace {

// Every code by which the client says the connection is gone or was never reached.
constexpr long CONEXAO[] = {
    335544324,  // isc_bad_db_handle
    335544375,  // isc_unavailable
    335544528,  // isc_shutdown
    335544648,  // isc_conn_lost
    335544704,  // isc_net_lookup_err
    335544719,  // isc_net_init_error
    335544721,  // isc_network_error
    335544722,  // isc_net_connect_err
    335544723,  // isc_net_connect_listen_err
    335544724,  // isc_net_event_connect_err
    335544725,  // isc_net_event_listen_err
    335544726,  // isc_net_read_err
    335544727,  // isc_net_write_err
    335544741,  // isc_lost_db_connection
    335544856,  // isc_att_shutdown
    335544917,  // isc_shutdown_timeout
    335544971,  // isc_net_server_shutdown
    335544975,  // isc_net_event_connect_timeout
};

constexpr long CONFLITO[] = {
    335544336,  // isc_deadlock
    335544345,  // isc_lock_conflict
    335544451,  // isc_update_conflict
    335544510,  // isc_lock_timeout
};

// The statement was refused for the values the file put into it.
constexpr long VALOR[] = {
    335544321,  // isc_arith_except
    335544334,  // isc_convert_error
    335544347,  // isc_not_valid
    335544349,  // isc_no_dup
    335544466,  // isc_foreign_key
    335544558,  // isc_check_constraint
    335544565,  // isc_transliteration_failed
    335544634,  // isc_dsql_token_unk_err: a value that broke the statement's text
    335544665,  // isc_unique_key_violation
    335544810,  // isc_date_range_exceeded
    335544849,  // isc_malformed_string
    335544879,  // isc_not_valid_for_var
    335544880,  // isc_not_valid_for
    335544913,  // isc_datetime_range_exceeded
    335544914,  // isc_string_truncation
    335544916,  // isc_numeric_out_of_range
    335545012,  // isc_invalid_date_val
};

template <size_t N>
bool Contem(const std::vector<long>& codigos, const long (&lista)[N]) {
  return std::any_of(codigos.begin(), codigos.end(), [&](long c) {
    return std::find(std::begin(lista), std::end(lista), c) != std::end(lista);
  });
}

// Codes whose message carries text of the ERP's own (an exception raised by a trigger), which
// may quote anything, values read from an answer included.
constexpr long TEXTO_DO_ERP[] = {
    335544517,  // isc_except
    335545016,  // isc_except2
};

// The texts by which the cycle has always recognised a lost connection; kept for client
// libraries that report them without a network code. Looked for only when no code decided,
// and only in a message that is the engine's or the client's own.
bool TemTextoDeConexao(const UnFirebird::EIBError& erro) {
  if (Contem(erro.Codigos(), TEXTO_DO_ERP)) return false;
  const std::string mensagem = erro.what();
  for (const char* texto : {"Unable to complete network request to host", "Error reading data",
                            "unprepared dynamic SQL"})
    if (mensagem.find(texto) != std::string::npos) return true;
  return false;
}

}  // namespace

ClasseErro ClassificaErro(const std::exception& erro) {
  if (const auto* banco = dynamic_cast<const UnFirebird::EIBError*>(&erro)) {
    const std::vector<long>& codigos = banco->Codigos();
    if (Contem(codigos, CONEXAO)) return ClasseErro::ConexaoPerdida;
    if (Contem(codigos, CONFLITO)) return ClasseErro::ConflitoLinha;
    if (Contem(codigos, VALOR)) return ClasseErro::Recusa;
    if (TemTextoDeConexao(*banco)) return ClasseErro::ConexaoPerdida;
    return ClasseErro::Indefinida;
  }
  if (dynamic_cast<const UnXml::EXmlGrande*>(&erro)) return ClasseErro::Grande;
  if (const auto* xml = dynamic_cast<const UnXml::EXmlErro*>(&erro))
    return xml->MalFormado() ? ClasseErro::Quebrado : ClasseErro::Recusa;
  if (dynamic_cast<const UnFuncoesCTe::EValorInvalido*>(&erro) ||
      dynamic_cast<const UnCodigoAnsi::ESemEquivalente*>(&erro))
    return ClasseErro::Recusa;
  return ClasseErro::Indefinida;
}

}  // namespace UnClassesErro
