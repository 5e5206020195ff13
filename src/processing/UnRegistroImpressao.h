#pragma once
// The record of the authorisations to print, one per company, kept in the company's folder so
// that whichever workstation holds the company next goes on where another stopped. An
// authorisation becomes pending once it is in the database and printed once the printing
// program was started on its document: pending ones (a run that ended in between, a document
// not written yet, a printing program that did not start) are printed at a later pass, and one
// already known is never recorded or printed again. One whose document never came is given up.
// Every change is written to a temporary file, flushed, that then takes the record's name, so
// an end of the process or a power cut at any moment leaves the record whole. A record that
// exists but cannot be read is not an empty one: the caller must not go on as if it were.
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/UnLocalidade.h"

namespace UnRegistroImpressao {

// Printed authorisations are forgotten after these days; their answers are long gone by then.
inline constexpr int DIAS_GUARDADOS = 7;
// A print still pending after this is given up, whatever kept it: a DACTE is wanted the day its
// truck leaves, and weeks of them must never come out at once.
inline constexpr int DIAS_PENDENTE = 1;
inline constexpr const char* NOME_ARQUIVO = "MonitorCTe-impressao.txt";

struct AutorizacaoPendente {
  std::string sChave;      // chCTe
  std::string sProtocolo;  // nProt
  int32_t iID_CTe = 0;
};

class TRegistroImpressao {
 public:
  // Reads the record of the company folder (ending with the separator): false when it exists
  // but cannot be read, and then nothing may be marked until a later reading succeeds.
  bool Carrega(const std::string& pastaEmpresa);
  // Pending, printed or given up. A print that started is known as printed from then on, also
  // while the record cannot take it: the change is kept and written at a later reading.
  bool Conhecida(const std::string& chave, const std::string& protocolo) const;
  // Each returns whether the record now on disk holds the change.
  bool MarcaPendente(const std::string& chave, const std::string& protocolo, int32_t id);
  bool MarcaImpressa(const std::string& chave, const std::string& protocolo);
  bool MarcaDesistida(const std::string& chave, const std::string& protocolo);
  std::vector<AutorizacaoPendente> Pendentes() const;
  // Whether the pending entry was marked more than `dias` days ago (time of day).
  bool PendenteHaMais(const std::string& chave, const std::string& protocolo, int dias) const;

  std::function<int64_t()> Relogio = UnLocalidade::AgoraMilissegundos;

 private:
  struct Entrada {
    char cEstado = 'P';      // pending, printed or given up
    int32_t iID_CTe = 0;
    int64_t iMarcadaEm = 0;  // milliseconds since 1970, UTC
  };
  using Chave = std::pair<std::string, std::string>;
  std::string Temporario() const;
  bool Marca(const Chave& chave, char estado, int32_t id);
  bool Grava() const;

  std::string arquivo_;
  bool bLegivel_ = true;
  std::map<Chave, Entrada> entradas_;
  std::map<Chave, Entrada> porGravar_;  // printed or given up, not yet on disk
};

}  // namespace UnRegistroImpressao
