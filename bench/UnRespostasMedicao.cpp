#include "UnRespostasMedicao.h"

#include "processing/UnFuncoesCTe.h"

namespace UnRespostasMedicao {

namespace {

std::string Zeros(int64_t valor, int largura) {
  return UnFuncoesCTe::PreencheZeros(std::to_string(valor), largura);
}

}  // namespace

const char* NomeTipo(TipoResposta tipo) {
  switch (tipo) {
    case TipoResposta::Situacao: return "situacao";
    case TipoResposta::Evento: return "evento";
    case TipoResposta::NumeroLote: return "numero_lote";
  }
  return "";
}

const char* MascaraTipo(TipoResposta tipo) {
  switch (tipo) {
    case TipoResposta::Situacao: return "*-sit.xml*";
    case TipoResposta::Evento: return "CTe*-eve.xml*";
    case TipoResposta::NumeroLote: return "CTe*-num-lot.xml*";
  }
  return "";
}

std::string NomeResposta(TipoResposta tipo, const CTeMedicao& cte) {
  switch (tipo) {
    case TipoResposta::Situacao: return cte.sChave + "-sit.xml";
    case TipoResposta::Evento: return "CTe" + cte.sChave + "-eve.xml";
    case TipoResposta::NumeroLote: return "CTe" + cte.sChave + "-num-lot.xml";
  }
  return "";
}

std::string NomeRecibo(const CTeMedicao& cte) { return Zeros(cte.iLote, 15) + "-rec.xml"; }

std::string NomeResultadoLote(const CTeMedicao& cte) {
  return Zeros(cte.iLote, 15) + "-pro-rec.xml";
}

CTeMedicao CTeDoNome(TipoResposta tipo, const std::string& nome) {
  CTeMedicao cte;
  cte.sChave = nome.substr(tipo == TipoResposta::Situacao ? 0 : 3, 44);
  cte.iLote = std::stoi(cte.sChave.substr(25, 9));
  return cte;
}

}  // namespace UnRespostasMedicao
