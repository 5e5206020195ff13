#include "processing/UnOcorrencias.h"

#include <algorithm>
#include <cctype>
#include <map>

namespace UnOcorrencias {

namespace {

constexpr const char* MARCA = "ocorrência | ";
constexpr const char* SEPARADOR = " | ";
constexpr size_t CARIMBO = 20;  // "yyyy-mm-dd hh:mm:ss "

// A field never holds the separator nor a line break.
std::string Campo(std::string texto) {
  for (char& c : texto)
    if (c == '|' || c == '\r' || c == '\n') c = ' ';
  return texto;
}

// The kinds of alert as "3 CT-e rejeitados" says them.
constexpr std::pair<const char*, const char*> PLURAIS[] = {
    {REJEITADO, "rejeitados"},
    {DENEGADO, "denegados"},
    {EVENTO_RECUSADO, "com evento recusado"},
    {SEPARADO, "separados para Erro"},
    {IMPRESSAO_PENDENTE, "com impressão pendente"},
    {EM_DUVIDA, "em dúvida"},
    {DOCUMENTO_IGNORADO, "com documento autorizado ignorado"},
};

bool Digito(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

}  // namespace

std::string NumeroCTe(const std::string& texto) {
  // The first run of 44 digits is the key.
  size_t inicio = 0;
  while (inicio < texto.size()) {
    while (inicio < texto.size() && !Digito(texto[inicio])) ++inicio;
    size_t fim = inicio;
    while (fim < texto.size() && Digito(texto[fim])) ++fim;
    if (fim - inicio >= 44) {
      const std::string numero = texto.substr(inicio + 25, 9);
      const size_t primeiro = numero.find_first_not_of('0');
      return primeiro == std::string::npos ? "0" : numero.substr(primeiro);
    }
    inicio = fim;
  }
  return "";
}

std::string LinhaDoLog(const Ocorrencia& o) {
  return std::string(MARCA) + (o.bAlerta ? "!" : "-") + SEPARADOR + Campo(o.sEmpresa) +
         SEPARADOR + Campo(o.sCTe) + SEPARADOR + Campo(o.sOQue) + SEPARADOR +
         Campo(o.sDetalhe) + SEPARADOR + Campo(o.sArquivo);
}

std::optional<Ocorrencia> LeLinhaDoLog(const std::string& linha) {
  if (linha.size() < CARIMBO || linha.compare(CARIMBO, std::string(MARCA).size(), MARCA) != 0)
    return std::nullopt;
  std::vector<std::string> campos;
  const std::string resto = linha.substr(CARIMBO + std::string(MARCA).size());
  for (size_t inicio = 0;;) {
    const size_t fim = resto.find(SEPARADOR, inicio);
    campos.push_back(resto.substr(inicio, fim == std::string::npos ? fim : fim - inicio));
    if (fim == std::string::npos) break;
    inicio = fim + 3;
  }
  if (campos.size() != 6 || (campos[0] != "!" && campos[0] != "-")) return std::nullopt;
  Ocorrencia o;
  o.sHora = linha.substr(11, 8);
  o.bAlerta = campos[0] == "!";
  o.sEmpresa = campos[1];
  o.sCTe = campos[2];
  o.sOQue = campos[3];
  o.sDetalhe = campos[4];
  o.sArquivo = campos[5];
  if (!o.sArquivo.empty() && o.sArquivo.back() == '\r') o.sArquivo.pop_back();
  return o;
}

std::vector<Ocorrencia> LeLog(const std::string& texto) {
  std::vector<Ocorrencia> ocorrencias;
  for (size_t inicio = 0; inicio < texto.size();) {
    size_t fim = texto.find('\n', inicio);
    if (fim == std::string::npos) fim = texto.size();
    if (auto o = LeLinhaDoLog(texto.substr(inicio, fim - inicio))) ocorrencias.push_back(*o);
    inicio = fim + 1;
  }
  return ocorrencias;
}

void TListaOcorrencias::Acrescenta(Ocorrencia ocorrencia) {
  lista_.push_front(std::move(ocorrencia));
  if (lista_.size() > MAXIMO) lista_.pop_back();
}

std::string TextoBalao(const std::vector<Ocorrencia>& alertas) {
  if (alertas.empty()) return "";
  if (alertas.size() == 1) {
    const Ocorrencia& o = alertas.front();
    return (o.sCTe.empty() ? "" : "CT-e " + o.sCTe + ": ") + o.sOQue +
           (o.sDetalhe.empty() ? "" : " - " + o.sDetalhe);
  }
  // Several at once: how many of each kind.
  std::map<std::string, size_t> porTipo;
  for (const Ocorrencia& o : alertas) ++porTipo[o.sOQue];
  std::string texto;
  for (const auto& tipo : porTipo) {
    const std::string& oQue = tipo.first;
    const size_t quantidade = tipo.second;
    texto += texto.empty() ? "" : ", ";
    if (quantidade == 1) {
      texto += "1 " + oQue;
      continue;
    }
    const auto plural = std::find_if(std::begin(PLURAIS), std::end(PLURAIS),
                                     [&](const auto& p) { return oQue == p.first; });
    texto += std::to_string(quantidade) + " CT-e " +
             (plural == std::end(PLURAIS) ? oQue : std::string(plural->second));
  }
  return texto;
}

}  // namespace UnOcorrencias
