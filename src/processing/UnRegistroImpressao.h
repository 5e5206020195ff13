#pragma once
// The record of the authorisations to print, one per company, kept in the company's folder so
// that whichever workstation holds the company next goes on where another stopped. An
// authorisation becomes pending once it is in the database and printed once the printing
// program was started: pending ones left by a run that ended in between are printed at the
// next pass, and one already known is never recorded or printed again. Every change is written
// to a temporary file that then takes the record's name, so an end of the process at any
// moment leaves the record whole. A record that cannot be written is ignored.
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

struct AutorizacaoPendente {
  std::string sChave;      // chCTe
  std::string sProtocolo;  // nProt
  int32_t iID_CTe = 0;
};

class TRegistroImpressao {
 public:
  // Reads the record of the company folder (ending with the separator); an absent or
  // unreadable record is empty.
  void Carrega(const std::string& pastaEmpresa);
  // Pending or printed.
  bool Conhecida(const std::string& chave, const std::string& protocolo) const;
  void MarcaPendente(const std::string& chave, const std::string& protocolo, int32_t id);
  void MarcaImpressa(const std::string& chave, const std::string& protocolo);
  std::vector<AutorizacaoPendente> Pendentes() const;

  std::function<int64_t()> Relogio = UnLocalidade::AgoraMilissegundos;

 private:
  struct Entrada {
    bool bImpressa = false;
    int32_t iID_CTe = 0;
    int64_t iMarcadaEm = 0;  // milliseconds since 1970, UTC
  };
  std::string Temporario() const;
  void Grava() const;

  std::string arquivo_;
  std::map<std::pair<std::string, std::string>, Entrada> entradas_;
};

}  // namespace UnRegistroImpressao
