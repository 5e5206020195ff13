#pragma once
// An installation for the measurements: the test installation (embedded database with the ERP
// tables, initialisation files, CT-e root) with N issuing companies, their folder trees, and
// CT-e rows with the answer files the transmitter would leave for them.
#include <cstdint>
#include <string>
#include <vector>

#include "UnRespostasMedicao.h"
#include "suporte/InstalacaoTeste.h"

namespace UnCenarioMedicao {

using UnRespostasMedicao::CTeMedicao;
using UnRespostasMedicao::TipoResposta;

class Cenario {
 public:
  // `escritaForcada` false turns the database's synchronous writes off, so its work shrinks
  // and the monitor's own cost weighs more in the figures. With `servidor` the database is
  // reached through the Firebird server on 127.0.0.1 instead of the embedded engine.
  Cenario(int empresas, bool escritaForcada, bool servidor = false);

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
  // Files the monitor leaves where they are in the first company's Retorno: NF-e answers under
  // the names of its masks, with NF-e content, and names no processor takes.
  void EscreveArquivosAlheios(int quantidade) const;
  // `quantidade` new CT-e of the first company, recorded as authorised, with their authorised
  // documents in this month's folder of the transmitter's archive, two days old.
  void EscreveAutorizadosGravados(int quantidade);
  // Where the transmitter keeps the authorised document of a CT-e this month, for printing.
  std::string DocumentoAutorizado(const CTeMedicao& cte) const;

 private:
  int iProximoDocumento_ = 1;
};

// The authority's answers for a CT-e: the situation (authorised) and the processing result.
std::string ConteudoSituacao(const CTeMedicao& cte);
std::string ConteudoResultadoLote(const CTeMedicao& cte);

// Plain files in a folder (sub-folders not counted).
int QuantidadeArquivos(const std::string& pasta);

}  // namespace UnCenarioMedicao
