#pragma once
// The files a pass left where they are on purpose (not a CT-e's answer, nothing in them for
// the monitor), keyed by path with the last write seen then: while that stays, a pass only
// lists them, it does not read them again. What left the folder is forgotten.
#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace UnArquivosMantidos {

class TArquivosMantidos {
 public:
  // Left in place with this last write: true the first time, to be told once.
  bool Registra(const std::string& caminho, std::optional<int64_t> ultimaGravacao);
  // Left in place before and not written since.
  bool Inalterado(const std::string& caminho, std::optional<int64_t> ultimaGravacao) const;
  template <typename Existe>
  void EsqueceAusentes(const std::string& pasta, Existe existe) {
    for (auto i = mantidos_.lower_bound(pasta);
         i != mantidos_.end() && i->first.rfind(pasta, 0) == 0;)
      i = existe(i->first) ? std::next(i) : mantidos_.erase(i);
  }
  size_t Quantidade() const { return mantidos_.size(); }

 private:
  std::map<std::string, std::optional<int64_t>> mantidos_;
};

}  // namespace UnArquivosMantidos
