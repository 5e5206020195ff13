#pragma once
// What happened today, for a person: each answer recorded, rejected or set aside, each print,
// each wait that went on too long, each stall of the transmitter. The core appends; the
// activity log keeps them in lines that one function writes and one reads back, so a later run
// of the same day shows them too; the shells show them (the window's page and balloons, the
// terminal's lines) from their own bounded copies, never from the pass's state.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace UnOcorrencias {

// What happened, in the words the page and the balloons show.
inline constexpr const char* AUTORIZADO = "autorizado";
inline constexpr const char* CANCELADO = "cancelado";
inline constexpr const char* IMPRESSO = "impresso";
inline constexpr const char* EVENTO_REGISTRADO = "evento registrado";
inline constexpr const char* REJEITADO = "rejeitado";
inline constexpr const char* DENEGADO = "denegado";
inline constexpr const char* EVENTO_RECUSADO = "evento recusado";
inline constexpr const char* SEPARADO = "separado para Erro";
inline constexpr const char* AGUARDANDO = "aguardando há mais de 10 minutos";
inline constexpr const char* IMPRESSAO_PENDENTE = "impressão pendente";
inline constexpr const char* CICLO_PARADO = "ciclo parado";
inline constexpr const char* TRANSMISSOR_PARADO = "transmissor sem enviar";
inline constexpr const char* TRANSMISSOR_NORMAL = "transmissor enviando de novo";
inline constexpr const char* ATUALIZADOR_RECUSADO = "atualizador recusado";
inline constexpr const char* EMPRESA_SEM_TRAVA = "empresa sem trava";
inline constexpr const char* RECUSA_COMUM = "respostas recusadas";
inline constexpr const char* DADOS_INACESSIVEIS = "pasta Dados inacessível";
inline constexpr const char* DADOS_ACESSIVEIS = "pasta Dados acessível";
// What the transmitter's archive and the situation requests brought.
inline constexpr const char* AUTORIZACAO_RECUPERADA = "autorização recuperada";
inline constexpr const char* CANCELAMENTO_RECUPERADO = "cancelamento recuperado";
inline constexpr const char* DOCUMENTO_IGNORADO = "documento autorizado ignorado";
inline constexpr const char* EM_DUVIDA = "em dúvida";
inline constexpr const char* SITUACAO_PEDIDA = "situação pedida";
inline constexpr const char* DUVIDA_ENCERRADA = "dúvida encerrada";

struct Ocorrencia {
  std::string sHora;      // "hh:mm:ss" of the workstation
  std::string sEmpresa;   // the issuing company's CNPJ
  std::string sCTe;       // the CT-e number from the key; empty when none is known
  std::string sOQue;      // what happened: "autorizado", "rejeitado", ...
  std::string sDetalhe;   // the status and the authority's reason, or the monitor's words
  std::string sArquivo;   // where the file lies now
  bool bAlerta = false;   // a person must hear of it
};

// The CT-e number (nCT, key digits 26 to 34) of an access key found in `texto` (a key with or
// without "CTe", a file name or path), without its leading zeros; empty when there is none.
std::string NumeroCTe(const std::string& texto);

// The activity-log line of an occurrence (without the log's time stamp) and back.
std::string LinhaDoLog(const Ocorrencia& ocorrencia);
// A whole log line ("yyyy-mm-dd hh:mm:ss " and the text); empty for any other line.
std::optional<Ocorrencia> LeLinhaDoLog(const std::string& linha);
// The occurrences of a day's log text, in their order.
std::vector<Ocorrencia> LeLog(const std::string& texto);

// A bounded list, newest first: the oldest leave when it is full.
class TListaOcorrencias {
 public:
  static constexpr size_t MAXIMO = 3000;
  void Acrescenta(Ocorrencia ocorrencia);
  size_t Quantidade() const { return lista_.size(); }
  // 0 is the newest.
  const Ocorrencia& Item(size_t indice) const { return lista_[indice]; }

 private:
  std::deque<Ocorrencia> lista_;
};

// "3 CT-e rejeitados" for several alerts shown at once; the one alert's own text otherwise.
std::string TextoBalao(const std::vector<Ocorrencia>& alertas);

}  // namespace UnOcorrencias
