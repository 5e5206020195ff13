#pragma once
// The ERP kept in step with the transmitter's archive of what the authority accepted. The
// answers in Retorno are the edges, and one may never come (a send that timed out, an answer
// deleted by the transmitter's clean-up); the documents under "Enviado\Autorizados" are the
// level. Every few minutes each company's documents of this month and the last are compared
// with the CT-e rows, and only what a row lacks is recorded; a document is never touched. What
// this run has settled (recorded, or nothing to do) is not read again.
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "processing/UnLeituraAutorizados.h"

namespace UnReconciliacao {

inline constexpr int64_t INTERVALO_MS = 3LL * 60 * 1000;
// Younger than this, its answer may be on its way: the answer's own route records it.
inline constexpr int64_t IDADE_MINIMA_MS = 2LL * 60 * 1000;
// A recovered authorisation older than this is recorded, not printed: a backlog must not
// become a pile of DACTEs.
inline constexpr int64_t IMPRESSAO_ATE_MS = 24LL * 60 * 60 * 1000;

// What the CT-e row holds, as far as a document could add to it.
struct Linha {
  int32_t iID = 0;
  bool bAutorizada = false;  // status 100 with its protocol
  bool bCancelada = false;   // a cancellation protocol
};

enum class Acao {
  Resolvido,  // the row holds what the document gives: nothing to do, not looked at again
  SemLinha,   // no CT-e row has the key: left alone, told once
  Aguarda,    // young, or its answer waits in Retorno: looked at again next time
  Le,         // the row lacks it: read the document
};
// From the document's name and last write alone: `linha` empty when no row has the key.
Acao Decide(bool bEvento, const std::optional<Linha>& linha, int64_t iIdadeMs,
            bool bRespostaEmRetorno);

enum class Registro { Nenhum, Autorizacao, Cancelamento };
// What a sound document read gives the row: an authorisation (status 100) or a registered
// cancellation (110111 with 135 or 136); anything else is recorded by nobody.
Registro OQueGravar(const UnLeituraAutorizados::DocumentoLido& documento);
// Whether a recovered authorisation of `dhRecbto` is printed at `agora` (time of day, UTC ms).
bool Imprime(const std::string& dhRecbto, int64_t agora);

// What one run knows of the companies' archives.
class TConciliacao {
 public:
  // The company's round is due at `agora` (monotonic): at its first pass, then every few
  // minutes. True marks the round begun.
  bool Devida(const std::string& empresa, int64_t agora);
  bool Resolvido(const std::string& caminho) const { return resolvidos_.count(caminho) > 0; }
  void MarcaResolvido(const std::string& caminho) { resolvidos_.insert(caminho); }
  // A document left alone for a defect, with its last write: true when it is to be told (the
  // first time, or written since); false when it is the same one told before.
  bool AvisaDefeito(const std::string& caminho, std::optional<int64_t> gravacao);
  bool DefeitoInalterado(const std::string& caminho, std::optional<int64_t> gravacao) const;
  // The CT-e in doubt of a company, for the window: the sum over all of them.
  void DefineDuvidas(const std::string& empresa, size_t quantidade) {
    duvidas_[empresa] = quantidade;
  }
  size_t Duvidas() const;

 private:
  std::map<std::string, int64_t> rodadas_;  // company -> its last round
  std::set<std::string> resolvidos_;
  std::map<std::string, std::optional<int64_t>> defeitos_;
  std::map<std::string, size_t> duvidas_;
};

}  // namespace UnReconciliacao
