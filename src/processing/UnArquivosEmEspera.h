#pragma once
// The answer files that wait in a Retorno folder, keyed by path: why, since when, and the last
// write seen. A file whose reading fails while it still changes is just not complete yet; one
// that is not well-formed and stays unchanged is set aside; anything else the database or the
// program cannot take today waits, retried at every pass. A file whose move failed waits for
// the move alone. Durations are on the monotonic clock; the time of day is kept for display.
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace UnArquivosEmEspera {

enum class Motivo {
  Incompleto,    // failed while its last write is recent: the transmitter is still writing
  Conflito,      // another user holds its CT-e's row
  RecusaBanco,   // the database or the ERP refuses its values or row
  FalhaLeitura,  // well-formed but cannot be taken (an element missing, unreadable, no memory)
  Quebrado,      // not well-formed although unchanged: set aside when it stays so
  Grande,        // larger than any answer: set aside at once, never read
};

struct Espera {
  Motivo motivo = Motivo::Incompleto;
  std::string sDetalhe;             // the error's text
  int64_t iDesde = 0;               // when it started waiting (monotonic ms)
  int64_t iDesdeHora = 0;           // the same moment as a time of day (ms since 1970, UTC)
  std::optional<int64_t> iGravacaoVista;  // last write seen at the last failure
  int64_t iGravacaoVistaDesde = 0;  // since when that last write has been seen unchanged
  bool bSeparacaoFalhou = false;    // its move to Erro failed once: told already
  bool bLongaAvisada = false;       // its long wait was told
};

// A failure shared by several files: said once when it starts and once when it ends.
struct MotivoComum {
  Motivo motivo;
  std::string sDetalhe;
  size_t iQuantidade = 0;
  bool bInicio = true;  // false: no two files wait for it any more
};

class TArquivosEmEspera {
 public:
  // A reading that fails while the file has been unchanged for less than this is taken for a
  // file still being written. One that is not well-formed for `iEsperaSepararMs` is set aside.
  static constexpr int64_t ESPERA_INCOMPLETO_MS = 3000;
  // Longer than any answer takes: somebody should look, once per wait.
  static constexpr int64_t ESPERA_LONGA_MS = 10LL * 60 * 1000;

  explicit TArquivosEmEspera(int64_t iEsperaSepararMs)
      : iEsperaSepararMs_(iEsperaSepararMs) {}

  struct Decisao {
    bool bSepara = false;       // not well-formed and unchanged long enough, or too large
    bool bMudouEstado = false;  // a new wait, or a new reason: worth one line
  };
  // A turn of `caminho` failed for `motivo` (not Incompleto) at `agora` (monotonic), `hora`
  // as the time of day. Times are this workstation's, so a file server's clock cannot decide.
  Decisao RegistraFalha(const std::string& caminho, Motivo motivo, const std::string& detalhe,
                        std::optional<int64_t> ultimaGravacao, int64_t agora, int64_t hora);
  // Its move to Erro failed: true the first time.
  bool MarcaSeparacaoFalhou(const std::string& caminho);
  // Its wait has gone on long: true the first time.
  bool MarcaLongaAvisada(const std::string& caminho);
  // The file was recorded, set aside or left the folder: it no longer waits. Returns the wait
  // it ended, if any.
  std::optional<Espera> Remove(const std::string& caminho);

  // A file handled whose move failed: the next passes only try the move again (to the folder
  // of `codigo`) while its last write stays `ultimaGravacao`. True the first time.
  bool RegistraMovimento(const std::string& caminho, int codigo,
                         std::optional<int64_t> ultimaGravacao, int64_t agora);
  // The move still to be made; a file written again since is a new answer, to be read, and
  // what was kept of the old one is forgotten.
  std::optional<int> Movimento(const std::string& caminho, std::optional<int64_t> ultimaGravacao);
  // Its move has failed for `ESPERA_LONGA_MS` at `agora`: true the first time, to be told.
  bool MovimentoLongo(const std::string& caminho, int64_t agora);
  void RemoveMovimento(const std::string& caminho) { movimentos_.erase(caminho); }

  // Forgets what is kept about one folder's files that are no longer there (moved by another
  // workstation or by hand).
  template <typename Existe>
  void EsqueceAusentes(const std::string& pasta, Existe existe) {
    Esquece(esperas_, pasta, existe);
    Esquece(movimentos_, pasta, existe);
  }

  const std::map<std::string, Espera>& Esperas() const { return esperas_; }
  // Files that wait, for reading or for a move.
  size_t Quantidade() const;
  // The start of the oldest wait (monotonic); empty when nothing waits.
  std::optional<int64_t> MaisAntiga() const;
  // Whether another file waits for the same refusal: then it is told once for them all.
  bool Compartilhado(const std::string& caminho) const;
  // The refusals shared by two files or more that started or ended since the last call.
  std::vector<MotivoComum> AtualizaComuns();
  // The first shared refusal told and not yet ended, in words; empty when there is none.
  std::string TextoComumAtual() const;

 private:
  struct Movimento_ {
    int iCodigo = 0;
    std::optional<int64_t> iGravacao;
    int64_t iDesde = 0;
    bool bLongoAvisado = false;
  };
  template <typename Mapa, typename Existe>
  static void Esquece(Mapa& mapa, const std::string& pasta, Existe existe) {
    for (auto i = mapa.lower_bound(pasta); i != mapa.end() && i->first.rfind(pasta, 0) == 0;)
      i = existe(i->first) ? std::next(i) : mapa.erase(i);
  }
  int64_t iEsperaSepararMs_;
  std::map<std::string, Espera> esperas_;
  std::map<std::string, Movimento_> movimentos_;
  std::set<std::pair<Motivo, std::string>> comunsDitos_;
};

// Whether a file written at `gravacao` may still be in the writing at `hora` (both ms since
// 1970): written in the last seconds, or in the future (this workstation's clock behind the
// share's). Such a file is never taken for one to leave in place.
bool GravacaoRecente(int64_t gravacao, int64_t hora);

// The reason in words, for the log and the screen.
std::string TextoMotivo(Motivo motivo);
// "3 arquivos aguardando, o mais antigo há 5 min"; empty when nothing waits.
std::string TextoEspera(size_t quantidade, int64_t iIdadeMs);
// "O banco de dados recusa as respostas (3 arquivos aguardando): <detalhe>" and its end.
std::string TextoMotivoComum(const MotivoComum& comum);

}  // namespace UnArquivosEmEspera
