#pragma once
// The transmitter's queue of a company, watched and never touched: the ERP's documents waiting
// in "Envio" to be sent, and those sent that wait in "Enviado\EmProcessamento" for the
// authority's final answer. Files that wait longer than the transmitter ever takes mean it is
// not doing its work for that company (its service stopped, its certificate expired, its
// workstation off): said once when it starts and once when it clears.
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
  int64_t iIdadeMs = 0;  // of the oldest, since its last write
};

// The plain files of `pasta` (ending with the separator; only listed) and the oldest's age at
// `agora`, a time of day: the files' last writes are times of day too. A missing folder is an
// empty queue.
Fila LeFila(const std::string& pasta, int64_t agora);

class TVigiaTransmissor {
 public:
  // The state of a company's two queues at a timed pass: the words to say when its episode
  // starts or ends, nothing while it stays as it was.
  struct Mudanca {
    bool bParado = false;
    std::string sTexto;
  };
  std::optional<Mudanca> Avalia(const std::string& empresa, const Fila& envio,
                                const Fila& processamento);
  // The company's queue was found stalled at its last timed pass.
  bool Parado(const std::string& empresa) const {
    const auto i = parados_.find(empresa);
    return i != parados_.end() && i->second;
  }

 private:
  std::map<std::string, bool> parados_;
};

}  // namespace UnFilaTransmissor
