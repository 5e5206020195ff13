#include "processing/UnRegistroDuvidas.h"

#include <algorithm>
#include <limits>

#include "platform/UnArquivos.h"
#include "processing/UnFuncoesCTe.h"

namespace UnRegistroDuvidas {

namespace {

constexpr size_t TAMANHO_MAXIMO = 4u << 20;
constexpr int64_t MAXIMO = std::numeric_limits<int64_t>::max();

// The request takes the identifier into a file name in the transmitter's queue: it must end
// with the key and hold nothing a name could not.
bool IdentificadorValido(const std::string& identificador, const std::string& chave) {
  if (identificador.size() < chave.size() || identificador.size() > 60 ||
      identificador.compare(identificador.size() - chave.size(), chave.size(), chave) != 0)
    return false;
  return std::all_of(identificador.begin(), identificador.end(), [](char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
           c == '_' || c == '-';
  });
}

// A field of the record never holds its separator nor ends a line.
std::string Campo(const std::string& texto) {
  std::string limpo;
  for (char c : texto)
    if (c != '|' && c != '\n' && c != '\r') limpo += c;
  return limpo;
}

}  // namespace

std::string PedidoSituacao(const std::string& ambiente, const std::string& chave) {
  return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>") + "<consSitCTe xmlns=\"" +
         UnFuncoesCTe::NAMESPACE_CTE + "\" versao=\"4.00\"><tpAmb>" + ambiente +
         "</tpAmb><xServ>CONSULTAR</xServ><chCTe>" + chave + "</chCTe></consSitCTe>";
}

bool TRegistroDuvidas::Carrega(const std::string& pastaEmpresa) {
  arquivo_ = pastaEmpresa + NOME_ARQUIVO;
  Esquece();
  const auto conteudo = UnArquivos::LeArquivo(arquivo_, TAMANHO_MAXIMO);
  bLegivel_ = conteudo || !UnArquivos::ExisteArquivo(arquivo_);
  if (!conteudo) return bLegivel_;
  const int64_t agora = Relogio();
  for (std::string linha : UnFuncoesCTe::Separa(*conteudo, '\n')) {
    if (!linha.empty() && linha.back() == '\r') linha.pop_back();
    // D | key | identifier | environment | since | asked | told without environment | reason
    // P | when a request was written; a damaged line is passed over.
    const std::vector<std::string> c = UnFuncoesCTe::Separa(linha, '|');
    int64_t desde = 0, pedida = 0;
    if (c.size() == 2 && c[0] == "P" && UnFuncoesCTe::LeInteiro(c[1], MAXIMO, pedida)) {
      if (agora - pedida < REPETICAO_MS) pedidos_.push_back(pedida);
      continue;
    }
    if (c.size() != 8 || c[0] != "D" || UnFuncoesCTe::ChaveCTe(c[1]) != c[1] ||
        !IdentificadorValido(c[2], c[1]) || !UnFuncoesCTe::LeInteiro(c[4], MAXIMO, desde) ||
        !UnFuncoesCTe::LeInteiro(c[5], MAXIMO, pedida))
      continue;
    duvidas_[c[1]] = Duvida{c[1], c[2], c[3] == "1" || c[3] == "2" ? c[3] : "", c[7],
                            desde,  pedida, c[6] == "1"};
  }
  return true;
}

void TRegistroDuvidas::Esquece() {
  duvidas_.clear();
  pedidos_.clear();
}

bool TRegistroDuvidas::Registra(Duvida duvida) {
  if (!bLegivel_ || UnFuncoesCTe::ChaveCTe(duvida.sChave) != duvida.sChave) return false;
  if (!IdentificadorValido(duvida.sIdentificador, duvida.sChave))
    duvida.sIdentificador = "CTe" + duvida.sChave;
  if (duvida.sAmbiente != "1" && duvida.sAmbiente != "2") duvida.sAmbiente.clear();
  const auto existente = duvidas_.find(duvida.sChave);
  if (existente != duvidas_.end()) {
    // Asked already: the doubt goes on as it was; only an environment learnt now is new.
    if (!existente->second.sAmbiente.empty() || duvida.sAmbiente.empty()) return false;
    existente->second.sAmbiente = duvida.sAmbiente;
    Grava();
    return false;
  }
  duvida.iDesde = Relogio();
  duvida.iPedidaEm = 0;
  duvida.bSemAmbienteAvisada = false;
  duvidas_[duvida.sChave] = duvida;
  Grava();
  return true;
}

std::optional<Duvida> TRegistroDuvidas::Encerra(const std::string& chave) {
  const auto i = duvidas_.find(chave);
  if (i == duvidas_.end() || !bLegivel_) return std::nullopt;
  Duvida duvida = i->second;
  duvidas_.erase(i);
  Grava();
  return duvida;
}

std::vector<Duvida> TRegistroDuvidas::Devidas() const {
  const int64_t agora = Relogio();
  const size_t feitos = static_cast<size_t>(std::count_if(
      pedidos_.begin(), pedidos_.end(),
      [&](int64_t t) { return agora - t < REPETICAO_MS && t <= agora + REPETICAO_MS; }));
  if (!bLegivel_ || feitos >= PEDIDOS_POR_HORA) return {};
  std::vector<Duvida> devidas;
  for (const auto& [chave, duvida] : duvidas_) {
    // A time far ahead of this clock is another workstation's wrong one: it holds nothing back.
    const int64_t idade = agora - duvida.iPedidaEm;
    if (duvida.iPedidaEm == 0 || idade >= REPETICAO_MS || idade < -REPETICAO_MS)
      devidas.push_back(duvida);
  }
  std::sort(devidas.begin(), devidas.end(),
            [](const Duvida& a, const Duvida& b) { return a.iPedidaEm < b.iPedidaEm; });
  if (devidas.size() > PEDIDOS_POR_HORA - feitos) devidas.resize(PEDIDOS_POR_HORA - feitos);
  return devidas;
}

bool TRegistroDuvidas::MarcaPedida(const std::string& chave) {
  const auto i = duvidas_.find(chave);
  if (i == duvidas_.end() || !bLegivel_) return false;
  i->second.iPedidaEm = Relogio();
  pedidos_.push_back(i->second.iPedidaEm);
  return Grava();
}

bool TRegistroDuvidas::AvisaSemAmbiente(const std::string& chave) {
  const auto i = duvidas_.find(chave);
  if (i == duvidas_.end() || i->second.bSemAmbienteAvisada) return false;
  i->second.bSemAmbienteAvisada = true;
  Grava();
  return true;
}

bool TRegistroDuvidas::Grava() const {
  if (arquivo_.empty() || !bLegivel_) return false;
  std::string texto;
  for (const auto& [chave, d] : duvidas_)
    texto += "D|" + chave + "|" + d.sIdentificador + "|" + d.sAmbiente + "|" +
             std::to_string(d.iDesde) + "|" + std::to_string(d.iPedidaEm) + "|" +
             (d.bSemAmbienteAvisada ? "1" : "0") + "|" + Campo(d.sMotivo) + "\n";
  const int64_t agora = Relogio();
  for (int64_t pedido : pedidos_)
    if (agora - pedido < REPETICAO_MS) texto += "P|" + std::to_string(pedido) + "\n";
  return UnArquivos::GravaPorTemporario(arquivo_ + ".tmp", arquivo_, texto, true);
}

}  // namespace UnRegistroDuvidas
