#pragma once
// The CT-e of a company whose fate the ERP cannot know from the answers it got: a send that
// failed after it may have reached the authority, or a rejection as a duplicate of itself. Each
// is asked about through a situation request in the transmitter's queue, sparingly, because the
// authority blocks a program that asks too often: once while in doubt, again at most once an
// hour while no answer comes, and no more than twenty requests an hour for the company. Kept in
// the company's folder, as the print record is, so that a restart or the workstation that holds
// the company next goes on where another stopped; times are times of day, which every
// workstation can read. Written whole through a temporary file.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/UnLocalidade.h"

namespace UnRegistroDuvidas {

inline constexpr const char* NOME_ARQUIVO = "MonitorCTe-duvidas.txt";
inline constexpr int64_t REPETICAO_MS = 60LL * 60 * 1000;
inline constexpr size_t PEDIDOS_POR_HORA = 20;

struct Duvida {
  std::string sChave;          // the 44 digits
  std::string sIdentificador;  // what names the CT-e's files: the request is named after it
  std::string sAmbiente;       // tpAmb ("1" or "2"); empty while it cannot be learnt
  std::string sMotivo;         // why it is in doubt
  int64_t iDesde = 0;
  int64_t iPedidaEm = 0;       // the last request; 0 when none was written
  bool bSemAmbienteAvisada = false;
};

// The situation request the transmitter takes from Envio ("<identificador>-ped-sit.xml").
std::string PedidoSituacao(const std::string& ambiente, const std::string& chave);

class TRegistroDuvidas {
 public:
  // Reads the record of the company folder (ending with the separator); false when it exists
  // but cannot be read, and then nothing is marked until a later reading succeeds.
  bool Carrega(const std::string& pastaEmpresa);
  // A CT-e falls in doubt, or one in doubt has its environment learnt: true when it is new.
  // An identifier that could not name a file is replaced by "CTe" and the key.
  bool Registra(Duvida duvida);
  bool Contem(const std::string& chave) const { return duvidas_.count(chave) > 0; }
  // The doubt ends (answered, authorised, or unknown to the authority): what it was.
  std::optional<Duvida> Encerra(const std::string& chave);
  // Those whose request is due now: never asked, or asked an hour ago, the ones asked longest
  // ago first, no more than the hour's limit leaves.
  std::vector<Duvida> Devidas() const;
  bool MarcaPedida(const std::string& chave);
  // True the first time only, for the notice that its environment is unknown.
  bool AvisaSemAmbiente(const std::string& chave);
  size_t Quantidade() const { return duvidas_.size(); }
  // Gone from the record: the next reading is the one on disk.
  void Esquece();

  std::function<int64_t()> Relogio = UnLocalidade::AgoraMilissegundos;

 private:
  bool Grava() const;

  std::string arquivo_;
  bool bLegivel_ = true;
  std::map<std::string, Duvida> duvidas_;
  std::vector<int64_t> pedidos_;  // when the requests of the last hour were written
};

}  // namespace UnRegistroDuvidas
