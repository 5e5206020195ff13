#pragma once
// The CT-e folder tree and the small text functions the processors build names and
// statements with.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace UnFirebird { class TIBDatabase; }

namespace UnFuncoesCTe {

inline constexpr const char* NAMESPACE_CTE = "http://www.portalfiscal.inf.br/cte";

// Root folder of the company trees from TAB_PARAMETRO, ending with the separator.
std::string RetornaPastaRaizCTe(UnFirebird::TIBDatabase& banco);
// root + CNPJ + the folder of the code; a code without a folder gives the company folder.
std::string RetornaPastaCTe(int codigo, const std::string& raiz, const std::string& cnpj);
void CriaPastasCTe(const std::string& raiz, const std::string& cnpj);
// "yyyymm" of a month: the transmitter's month folders; `meses` back from the one given.
std::string AnoMes(int ano, int mes, int meses = 0);
std::string PreencheZeros(const std::string& valor, int largura);
std::string ReplicaTexto(const std::string& texto, int quantidade);
std::string SeEntao(bool condicao, const std::string& verdadeiro, const std::string& falso);
// dd.mm.yyyy hh:mm:ss cut from the authority's yyyy-mm-ddThh:mm:ss.
std::string TextoData(const std::string& t);
// Name contains "CTE" (any case) or the access key of a CT-e, CT-e OS or GTV-e, or the file's
// root element carries the CT-e namespace.
bool EhArquivoCTe(const std::string& caminho);
// The first access key of a CT-e, CT-e OS or GTV-e in a text (a file name): the transmitter
// names the answers to the ERP's requests after the document's key, and the model (characters
// 21 and 22) tells them from the NF-e and MDF-e that share the folder. Empty when none.
std::string ChaveCTe(const std::string& nome);
// The same test on content already read (the file's first bytes).
bool ConteudoEhCTe(const std::string& inicio);
// "###,##0" with the workstation's thousands separator.
std::string FormataContador(int64_t valor, const std::string& separador);

// A value that enters a statement without quotes must be a plain run of decimal digits.
class EValorInvalido : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
bool EhNumeroDecimal(const std::string& valor);
// The value itself when it is a run of digits; raises EValorInvalido otherwise.
std::string Numero(const std::string& valor);
// `SeEntao`(v not empty, v, "null") with the digit check on v.
std::string NumeroOuNull(const std::string& valor);
// An authorisation or event protocol: 15 or 17 digits, "null" when empty.
std::string ProtocoloOuNull(const std::string& valor);
// A date text of `TextoData` ("dd.mm.yyyy hh:mm:ss", digits where digits belong), quoted.
std::string DataSql(const std::string& valor);
// Any other text from a file, quoted, once it is known to reach the database unchanged: a
// look-alike that the workstation's code page would turn into a quote is refused.
std::string TextoSql(const std::string& valor);
// The pieces of a line between separators (one piece for a line without any).
std::vector<std::string> Separa(const std::string& linha, char separador);
// A run of at most 18 digits no greater than `maximo` into `valor`; false otherwise.
bool LeInteiro(const std::string& texto, int64_t maximo, int64_t& valor);
// At most `limite` characters of a UTF-8 text, never cutting one in two: what a file says is
// shown and logged no longer than its schema allows.
std::string CortaTexto(const std::string& texto, size_t limite);

}  // namespace UnFuncoesCTe
