#include "shell/UnLog.h"

#include <cstdio>

#include "platform/UnArquivos.h"
#include "processing/UnFuncoesCTe.h"

namespace {

std::string Digitos(int valor, int largura) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%0*d", largura, valor);
  return buffer;
}

constexpr const char* PREFIXO = "MonitorCTe-";

}  // namespace

std::string NumaLinha(std::string texto) {
  // Every control character, not only the line breaks: nothing a file carries may start a
  // line of its own, move a terminal's cursor or hide what follows.
  for (char& c : texto)
    if (static_cast<unsigned char>(c) < ' ' || c == '\x7F') c = ' ';
  return texto;
}

void TLogAtividade::Inicia(const std::string& pastaExecutavel) {
  pasta_ = pastaExecutavel + UnArquivos::SEPARADOR + "Log";
  diaLimpo_ = -1;
}

std::string TLogAtividade::ArquivoDoDia(const UnLocalidade::DataHora& d) const {
  return pasta_ + UnArquivos::SEPARADOR + PREFIXO + Digitos(d.iAno, 4) + Digitos(d.iMes, 2) +
         Digitos(d.iDia, 2) + ".log";
}

void TLogAtividade::Registra(const std::string& texto) {
  if (pasta_.empty()) return;
  const UnLocalidade::DataHora agora = Relogio();
  const int hoje =
      static_cast<int>(UnLocalidade::DiasDesdeEpoca(agora.iAno, agora.iMes, agora.iDia));
  if (hoje != diaLimpo_) {
    if (!UnArquivos::ExistePasta(pasta_)) UnArquivos::CriaPasta(pasta_);
    ApagaAntigos(agora);
    diaLimpo_ = hoje;
  }
  const std::string linha = Digitos(agora.iAno, 4) + "-" + Digitos(agora.iMes, 2) + "-" +
                            Digitos(agora.iDia, 2) + " " + Digitos(agora.iHora, 2) + ":" +
                            Digitos(agora.iMinuto, 2) + ":" + Digitos(agora.iSegundo, 2) + " " +
                            NumaLinha(UnFuncoesCTe::CortaTexto(texto, MAXIMO_ENTRADA)) + "\n";
  UnArquivos::AcrescentaArquivo(ArquivoDoDia(agora), linha);
}

void TLogAtividade::ApagaAntigos(const UnLocalidade::DataHora& hoje) const {
  const int64_t limite =
      UnLocalidade::DiasDesdeEpoca(hoje.iAno, hoje.iMes, hoje.iDia) - DIAS_GUARDADOS;
  for (const std::string& nome : UnArquivos::ListaArquivos(pasta_, "MonitorCTe-????????.log")) {
    const std::string data = nome.substr(11, 8);
    if (data.find_first_not_of("0123456789") != std::string::npos) continue;
    const int64_t dia = UnLocalidade::DiasDesdeEpoca(
        std::stoi(data.substr(0, 4)), std::stoi(data.substr(4, 2)), std::stoi(data.substr(6, 2)));
    if (dia < limite) UnArquivos::ApagaArquivo(pasta_ + UnArquivos::SEPARADOR + nome);
  }
}
