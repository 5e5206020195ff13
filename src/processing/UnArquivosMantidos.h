#pragma once
// The files a pass left where they are on purpose (not a CT-e's answer, nothing in them for
// the monitor), keyed by path with the last write seen then: while that stays, a pass only
// lists them, it does not read them again. Their last write is looked at once a minute, not at
// every pass: a folder may hold thousands of them. What left the folder is forgotten.
#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace UnArquivosMantidos {

class TArquivosMantidos {
 public:
  static constexpr int64_t VERIFICACAO_MS = 60000;

  // Left in place with this last write, seen at `agora` (monotonic): true the first time, to be
  // told once.
  bool Registra(const std::string& caminho, std::optional<int64_t> ultimaGravacao, int64_t agora);
  // Left in place and looked at less than a minute ago: not even its last write is needed.
  bool VistoHaPouco(const std::string& caminho, int64_t agora) const;
  // Left in place before and not written since (looked at now).
  bool Inalterado(const std::string& caminho, std::optional<int64_t> ultimaGravacao, int64_t agora);
  template <typename Existe>
  void EsqueceAusentes(const std::string& pasta, Existe existe) {
    for (auto i = mantidos_.lower_bound(pasta);
         i != mantidos_.end() && i->first.rfind(pasta, 0) == 0;)
      i = existe(i->first) ? std::next(i) : mantidos_.erase(i);
  }

 private:
  struct Mantido {
    std::optional<int64_t> iGravacao;
    int64_t iVistoEm = 0;
  };
  std::map<std::string, Mantido> mantidos_;
};

}  // namespace UnArquivosMantidos
