#include "processing/UnFuncoesCTe.h"

#include <algorithm>
#include <string_view>

#include "database/UnFirebird.h"
#include "platform/UnArquivos.h"
#include "platform/UnCodigoAnsi.h"
#include "platform/UnMascara.h"

namespace UnFuncoesCTe {

namespace {

constexpr char SEP = UnArquivos::SEPARADOR;
constexpr size_t TAMANHO_CHAVE = 44;

// 1-based Copy: pieces beyond the end are empty.
std::string Copia(const std::string& t, size_t inicio, size_t tamanho) {
  if (inicio < 1 || inicio > t.size()) return {};
  return t.substr(inicio - 1, tamanho);
}

std::string Aparado(const std::string& valor) {
  size_t i = 0, f = valor.size();
  while (i < f && static_cast<unsigned char>(valor[i]) <= ' ') ++i;
  while (f > i && static_cast<unsigned char>(valor[f - 1]) <= ' ') --f;
  return valor.substr(i, f - i);
}

// Skips what may stand before the root element: blanks, declaration, comments,
// processing instructions and a document type.
size_t InicioElementoRaiz(const std::string& s) {
  size_t i = 0;
  if (s.rfind("\xEF\xBB\xBF", 0) == 0) i = 3;
  while (i < s.size()) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      ++i;
    } else if (s.compare(i, 4, "<!--") == 0) {
      const size_t f = s.find("-->", i + 4);
      if (f == std::string::npos) return std::string::npos;
      i = f + 3;
    } else if (s.compare(i, 2, "<?") == 0) {
      const size_t f = s.find("?>", i + 2);
      if (f == std::string::npos) return std::string::npos;
      i = f + 2;
    } else if (s.compare(i, 2, "<!") == 0) {
      const size_t f = s.find('>', i + 2);
      if (f == std::string::npos) return std::string::npos;
      i = f + 1;
    } else if (c == '<') {
      return i;
    } else {
      return std::string::npos;
    }
  }
  return std::string::npos;
}

bool EhDigito(char c) { return c >= '0' && c <= '9'; }

// An access key of the layout since the alphanumeric CNPJ: six digits (state, year, month),
// twelve digits or capital letters (the CNPJ's root and branch), then 26 digits.
bool EhChaveAcesso(std::string_view s) {
  for (size_t i = 0; i < TAMANHO_CHAVE; ++i) {
    const char c = s[i];
    const bool alfanumerico = i >= 6 && i < 18;
    if (!EhDigito(c) && !(alfanumerico && c >= 'A' && c <= 'Z')) return false;
  }
  return true;
}

}  // namespace

std::string ChaveCTe(const std::string& nome) {
  for (size_t i = 0; i + TAMANHO_CHAVE <= nome.size(); ++i) {
    const std::string_view chave(nome.data() + i, TAMANHO_CHAVE);
    if (!EhChaveAcesso(chave)) continue;
    const std::string_view modelo = chave.substr(20, 2);
    if (modelo == "57" || modelo == "67" || modelo == "64") return std::string(chave);
  }
  return "";
}

std::string RetornaPastaRaizCTe(UnFirebird::TIBDatabase& banco) {
  UnFirebird::TIBQuery consulta(banco);
  consulta.SQL = " select NM_CAMINHO_RAIZ_CTE from tab_parametro";
  consulta.Open();
  const std::string v = consulta.FieldAsString("NM_CAMINHO_RAIZ_CTE");
  if (!v.empty() && v.back() == SEP) return v;
  return v + SEP;
}

std::string RetornaPastaCTe(int codigo, const std::string& raiz, const std::string& cnpj) {
  static const char* const PASTAS[] = {
      nullptr,           "Envio",    "EnvioEmLote",        "Retorno",
      "Enviado",         "Erro",     "Validar",            nullptr,
      "Validar|Validado", "Enviado|Autorizados", "Enviado|Denegados",
      "Enviado|EmProcessamento", "Retorno|OK"};
  std::string pasta = raiz + cnpj + SEP;
  if (codigo < 1 || codigo > 12 || PASTAS[codigo] == nullptr) return pasta;
  std::string sub = PASTAS[codigo];
  std::replace(sub.begin(), sub.end(), '|', SEP);
  return pasta + sub + SEP;
}

void CriaPastasCTe(const std::string& raiz, const std::string& cnpj) {
  const std::string empresa = raiz + cnpj;
  if (!UnArquivos::ExistePasta(empresa)) UnArquivos::CriaPasta(empresa);
  for (int codigo : {1, 3, 5, 12}) {
    const std::string pasta = RetornaPastaCTe(codigo, raiz, cnpj);
    if (!UnArquivos::ExistePasta(pasta)) UnArquivos::CriaPasta(pasta);
  }
}

std::string AnoMes(int ano, int mes, int meses) {
  const int indice = ano * 12 + (mes - 1) - meses;
  return PreencheZeros(std::to_string(indice / 12), 4) +
         PreencheZeros(std::to_string(indice % 12 + 1), 2);
}

std::string PreencheZeros(const std::string& valor, int largura) {
  const std::string s = Aparado(valor);
  const int tamanho = static_cast<int>(s.size());
  if (largura < tamanho) return largura <= 0 ? std::string() : s.substr(s.size() - largura);
  return ReplicaTexto("0", largura - tamanho) + s;
}

std::string ReplicaTexto(const std::string& texto, int quantidade) {
  std::string resultado;
  for (int i = 0; i < quantidade; ++i) resultado += texto;
  return resultado;
}

std::string SeEntao(bool condicao, const std::string& verdadeiro, const std::string& falso) {
  return condicao ? verdadeiro : falso;
}

std::string TextoData(const std::string& t) {
  return Copia(t, 9, 2) + "." + Copia(t, 6, 2) + "." + Copia(t, 1, 4) + " " + Copia(t, 12, 8);
}

bool ConteudoEhCTe(const std::string& inicio) {
  const size_t raiz = InicioElementoRaiz(inicio);
  if (raiz == std::string::npos) return false;
  const size_t fim = inicio.find('>', raiz);
  const std::string marca =
      inicio.substr(raiz, fim == std::string::npos ? std::string::npos : fim - raiz);
  return marca.find(NAMESPACE_CTE) != std::string::npos;
}

bool EhArquivoCTe(const std::string& caminho) {
  const size_t barra = caminho.rfind(SEP);
  const std::string nome = barra == std::string::npos ? caminho : caminho.substr(barra + 1);
  if (UnMascara::MaiusculasAscii(nome).find("CTE") != std::string::npos) return true;
  if (!ChaveCTe(nome).empty()) return true;
  if (!UnArquivos::ExisteArquivo(caminho)) return false;
  const auto inicio = UnArquivos::LeArquivo(caminho, 4096);
  return inicio && ConteudoEhCTe(*inicio);
}

std::string FormataContador(int64_t valor, const std::string& separador) {
  const bool negativo = valor < 0;
  std::string digitos = std::to_string(negativo ? -valor : valor);
  std::string resultado;
  const size_t n = digitos.size();
  for (size_t i = 0; i < n; ++i) {
    if (i > 0 && (n - i) % 3 == 0) resultado += separador;
    resultado += digitos[i];
  }
  return negativo ? "-" + resultado : resultado;
}

bool EhNumeroDecimal(const std::string& valor) {
  return !valor.empty() && std::all_of(valor.begin(), valor.end(), EhDigito);
}

namespace {

// The refused value is named, but no longer than a field of the answer could be.
[[noreturn]] void Recusa(const std::string& valor) {
  throw EValorInvalido("Valor inválido para o comando SQL: \"" + CortaTexto(valor, 60) + "\"");
}

}  // namespace

std::string Numero(const std::string& valor) {
  if (!EhNumeroDecimal(valor)) Recusa(valor);
  return valor;
}

std::string NumeroOuNull(const std::string& valor) {
  return valor.empty() ? std::string("null") : Numero(valor);
}

std::string ProtocoloOuNull(const std::string& valor) {
  if (valor.empty()) return "null";
  if ((valor.size() != 15 && valor.size() != 17) || !EhNumeroDecimal(valor)) Recusa(valor);
  return valor;
}

std::string DataSql(const std::string& valor) {
  constexpr std::string_view FORMA = "99.99.9999 99:99:99";
  bool valida = valor.size() == FORMA.size();
  for (size_t i = 0; valida && i < FORMA.size(); ++i)
    valida = FORMA[i] == '9' ? EhDigito(valor[i]) : valor[i] == FORMA[i];
  if (!valida) Recusa(valor);
  return UnFirebird::QuotedStr(valor);
}

std::string TextoSql(const std::string& valor) {
  if (!UnCodigoAnsi::Representavel(valor)) Recusa(valor);
  return UnFirebird::QuotedStr(valor);
}

std::vector<std::string> Separa(const std::string& linha, char separador) {
  std::vector<std::string> partes(1);
  for (const char c : linha) {
    if (c == separador)
      partes.emplace_back();
    else
      partes.back() += c;
  }
  return partes;
}

bool LeInteiro(const std::string& texto, int64_t maximo, int64_t& valor) {
  if (!EhNumeroDecimal(texto) || texto.size() > 18) return false;
  valor = std::stoll(texto);
  return valor <= maximo;
}

std::string CortaTexto(const std::string& texto, size_t limite) {
  size_t bytes = 0;
  for (size_t caracteres = 0; bytes < texto.size() && caracteres < limite; ++caracteres) {
    ++bytes;
    while (bytes < texto.size() && (static_cast<unsigned char>(texto[bytes]) & 0xC0) == 0x80)
      ++bytes;
  }
  return texto.substr(0, bytes);
}

}  // namespace UnFuncoesCTe
