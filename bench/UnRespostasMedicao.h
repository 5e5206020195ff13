#pragma once
// The answers the measurements use: their kinds, the CT-e they belong to, their file names
// and the fixed values they carry, so the floor can write the statements the monitor writes.
#include <cstdint>
#include <string>

namespace UnRespostasMedicao {

// One CT-e of the ERP as the scenario created it.
struct CTeMedicao {
  int32_t iId = 0;     // 0 when only its answer's name is known
  std::string sChave;  // the 44 digits
  int32_t iLote = 0;   // the lot number its lot-number file carries: its document number
};

// The three kinds of answer measured for throughput.
enum class TipoResposta { Situacao, Evento, NumeroLote };
const char* NomeTipo(TipoResposta tipo);
// The processor's file mask for the kind.
const char* MascaraTipo(TipoResposta tipo);

inline const std::string DATA_AUTORIZACAO = "2012-06-05T10:11:12";
inline const std::string PROTOCOLO_AUTORIZACAO = "135120000012345";
inline const std::string DATA_EVENTO = "2013-05-21T10:20:30-03:00";
inline const std::string PROTOCOLO_EVENTO = "135130000054321";
inline const std::string RECIBO = "351000012345678";
inline const std::string DATA_RECIBO = "2012-06-05T10:11:12";
inline const std::string TEMPO_MEDIO = "1";

// Names of the answer files of a CT-e.
std::string NomeResposta(TipoResposta tipo, const CTeMedicao& cte);
std::string NomeRecibo(const CTeMedicao& cte);
std::string NomeResultadoLote(const CTeMedicao& cte);
// The CT-e an answer's name belongs to (its id unknown).
CTeMedicao CTeDoNome(TipoResposta tipo, const std::string& nome);

}  // namespace UnRespostasMedicao
