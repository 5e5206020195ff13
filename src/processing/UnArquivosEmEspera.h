#pragma once
// The answer files that wait in a Retorno folder, keyed by path: why, since when, and the last
// write seen. A file whose reading fails while it still changes is just not complete yet; one
// that stays unchanged and keeps failing is set aside.
#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace UnArquivosEmEspera {

enum class Motivo {
  Incompleto,  // failed while its last write is recent: the transmitter is still writing
  Conflito,    // another user holds its CT-e's row
  Falha,       // failed although unchanged: set aside when it stays so
};

struct Espera {
  Motivo motivo = Motivo::Incompleto;
  std::string sDetalhe;             // the error's text
  int64_t iDesde = 0;               // when it started waiting (ms)
  std::optional<int64_t> iGravacaoVista;  // last write seen at the last failure
  int64_t iGravacaoVistaDesde = 0;  // since when that last write has been seen unchanged (ms)
};

class TArquivosEmEspera {
 public:
  // A reading that fails while the file has been unchanged for less than this is taken for a
  // file still being written. One that fails unchanged for `iEsperaSepararMs` is set aside.
  static constexpr int64_t ESPERA_INCOMPLETO_MS = 3000;

  explicit TArquivosEmEspera(int64_t iEsperaSepararMs)
      : iEsperaSepararMs_(iEsperaSepararMs) {}

  struct Decisao {
    bool bSepara = false;       // unchanged long enough and still failing: set it aside
    bool bMudouEstado = false;  // a new wait, or a new reason: worth one line
  };
  // A turn of `caminho` failed at `agora`. A conflict never sets a file aside: it is not the
  // file's fault. Times are this workstation's, so a file server's clock cannot decide.
  Decisao RegistraFalha(const std::string& caminho, bool bConflito, const std::string& detalhe,
                        std::optional<int64_t> ultimaGravacao, int64_t agora);
  // The file was recorded, set aside or left the folder: it no longer waits. Returns the wait
  // it ended, if any.
  std::optional<Espera> Remove(const std::string& caminho);
  // Forgets the waits of one folder whose files are no longer there (moved by another
  // workstation or by hand).
  template <typename Existe>
  void EsqueceAusentes(const std::string& pasta, Existe existe) {
    for (auto i = esperas_.lower_bound(pasta); i != esperas_.end() && i->first.rfind(pasta, 0) == 0;)
      i = existe(i->first) ? std::next(i) : esperas_.erase(i);
  }

  const std::map<std::string, Espera>& Esperas() const { return esperas_; }
  // The start of the oldest wait; empty when nothing waits.
  std::optional<int64_t> MaisAntiga() const;

 private:
  int64_t iEsperaSepararMs_;
  std::map<std::string, Espera> esperas_;
};

// The reason in words, for the log and the screen.
std::string TextoMotivo(Motivo motivo);
// "3 arquivos aguardando, o mais antigo há 5 min"; empty when nothing waits.
std::string TextoEspera(size_t quantidade, int64_t iIdadeMs);

}  // namespace UnArquivosEmEspera
