#pragma once
// An installation for the measurements: the test installation (embedded database with the ERP
// tables, initialisation files, CT-e root) with N issuing companies, their folder trees, and
// CT-e rows with the answer files the transmitter would leave for them.
#include <cstdint>
#include <string>
#include <vector>

#include "suporte/InstalacaoTeste.h"

namespace UnCenarioMedicao {

// One CT-e of the ERP as the scenario created it.
struct CTeMedicao {
  int32_t iId = 0;
  std::string sChave;  // the 44 digits
  int32_t iLote = 0;   // the lot number its lot-number file carries
};

// The three kinds of answer measured for throughput.
enum class TipoResposta { Situacao, Evento, NumeroLote };
const char* NomeTipo(TipoResposta tipo);

// Fixed values the answer files carry, so the floor can write the same statements.
inline const std::string DATA_AUTORIZACAO = "2012-06-05T10:11:12";
inline const std::string PROTOCOLO_AUTORIZACAO = "135120000012345";
inline const std::string DATA_EVENTO = "2013-05-21T10:20:30-03:00";
inline const std::string PROTOCOLO_EVENTO = "135130000054321";
inline const std::string RECIBO = "351000012345678";
inline const std::string DATA_RECIBO = "2012-06-05T10:11:12";
inline const std::string TEMPO_MEDIO = "1";

class Cenario {
 public:
  explicit Cenario(int empresas);

  InstalacaoTeste inst;
  std::vector<std::string> sCnpjs;  // in the order they were added
  std::vector<int32_t> iIdsEmpresas;

  // Adds `quantidade` CT-e of the first company in one transaction; their keys and lots
  // follow a running sequence, so every call gives new ones.
  std::vector<CTeMedicao> AdicionaCTes(int quantidade);
  // Creates every company's folder tree as the monitor's first pass would.
  void CriaPastas() const;

  std::string Retorno() const { return inst.Retorno(sCnpjs.front()); }
  std::string RetornoOK() const { return inst.RetornoOK(sCnpjs.front()); }

  // Writes the answer of `tipo` for each CT-e into the first company's Retorno folder, last
  // write a minute back (a lot-number file brings its receipt along).
  void EscreveRespostas(TipoResposta tipo, const std::vector<CTeMedicao>& ctes) const;
  // Processing-result files (authorised) whose last write lies `idadeMs` milliseconds back.
  void EscreveResultadosLote(const std::vector<CTeMedicao>& ctes, int64_t idadeMs) const;

 private:
  int iProximoDocumento_ = 1;
};

// Names of the answer files of a CT-e.
std::string NomeResposta(TipoResposta tipo, const CTeMedicao& cte);
std::string NomeRecibo(const CTeMedicao& cte);
std::string NomeResultadoLote(const CTeMedicao& cte);

// Plain files in a folder (sub-folders not counted).
int QuantidadeArquivos(const std::string& pasta);

}  // namespace UnCenarioMedicao
