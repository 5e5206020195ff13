#pragma once
// The transmitter's queue of a company, watched and never touched: the ERP's documents waiting
// in "Envio" to be sent, and those sent that wait in "Enviado\EmProcessamento" for the
// authority's final answer. Files that wait longer than the transmitter ever takes mean it is
// not doing its work for that company (its service stopped, its certificate expired, its
// workstation off): said once when it starts and once when it clears. A file's age is how long
// this run has seen it unchanged, on its own clock that never steps: the files' times are set by
// the server's clock, which a workstation's may be minutes away from.
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace UnFilaTransmissor {

inline constexpr int64_t LIMITE_ENVIO_MS = 5LL * 60 * 1000;
inline constexpr int64_t LIMITE_PROCESSAMENTO_MS = 15LL * 60 * 1000;

struct Fila {
  size_t iQuantidade = 0;
  int64_t iIdadeMs = 0;  // of the oldest, as long as it has been seen unchanged
};

// What a run has seen of a queue folder: each file with its last write and since when (on the
// monotonic clock) it has been seen with it.
class TObservacaoFila {
 public:
  // The plain files of `pasta` (ending with the separator; only listed) at `agora`. A missing
  // folder is an empty queue; a file gone or written again is forgotten or seen anew.
  Fila Le(const std::string& pasta, int64_t agora);

 private:
  struct Visto {
    int64_t iGravacao = 0;
    int64_t iDesde = 0;
  };
  std::map<std::string, Visto> vistos_;
};

class TVigiaTransmissor {
 public:
  // The state of a company's two queues at a timed pass (`agora`, monotonic): the words to
  // say when its episode starts or ends, nothing while it stays as it was. A stall ends only
  // once the files there when it began (or when this run took it up) have left the queues.
  struct Mudanca {
    bool bParado = false;
    std::string sTexto;
  };
  std::optional<Mudanca> Avalia(const std::string& empresa, const Fila& envio,
                                const Fila& processamento, int64_t agora);
  // A company this run has not evaluated yet takes up the state told before, by this
  // workstation's earlier run or another workstation.
  bool Conhece(const std::string& empresa) const { return estados_.count(empresa) > 0; }
  void Adota(const std::string& empresa, bool bParado, int64_t agora) {
    estados_[empresa] = {bParado, agora};
  }
  // What this run has seen of a queue folder (see TObservacaoFila).
  Fila Observa(const std::string& pasta, int64_t agora) {
    return observacoes_[pasta].Le(pasta, agora);
  }
  // The company's queue was found stalled at its last timed pass.
  bool Parado(const std::string& empresa) const {
    const auto i = estados_.find(empresa);
    return i != estados_.end() && i->second.bParado;
  }

 private:
  struct Estado {
    bool bParado = false;
    int64_t iDesde = 0;  // when it became what it is
  };
  std::map<std::string, Estado> estados_;
  std::map<std::string, TObservacaoFila> observacoes_;  // by folder
};

}  // namespace UnFilaTransmissor
