#include "suporte/ServidorHttpTeste.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>
#include <stdexcept>

namespace {

std::string DecodificaCaminho(const std::string& caminho) {
  std::string s;
  for (size_t i = 0; i < caminho.size(); ++i) {
    if (caminho[i] == '%' && i + 2 < caminho.size()) {
      s += static_cast<char>(std::stoi(caminho.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      s += caminho[i];
    }
  }
  return s;
}

}  // namespace

ServidorHttpTeste::ServidorHttpTeste(bool bTls) : bTls_(bTls) {
  const std::string sScript =
      std::string(MONITOR_RAIZ_FONTES) + "/tests/suporte/ServidorHttpTeste.py";
  const std::string sCertificado = pasta_ / "certificado.pem", sChave = pasta_ / "chave.pem";
  if (bTls &&
      std::system(
          ("openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=localhost -keyout '" +
           sChave + "' -out '" + sCertificado + "' >/dev/null 2>&1")
              .c_str()) != 0)
    throw std::runtime_error("openssl could not make the test certificate");
  std::vector<std::string> argumentos = {"python3",      sScript,      "--pasta",
                                         pasta_ / "www", "--registro", pasta_ / "pedidos.txt"};
  if (bTls) argumentos.insert(argumentos.end(), {"--certificado", sCertificado, "--chave", sChave});
  EscreveArquivo(pasta_ / "pedidos.txt", "");
  EscreveArquivo(pasta_ / "www/.vazio", "");

  int entrada[2], saida[2];
  if (pipe(entrada) != 0 || pipe(saida) != 0) throw std::runtime_error("pipe failed");
  pid_ = fork();
  if (pid_ == 0) {
    dup2(entrada[0], 0);
    dup2(saida[1], 1);
    close(entrada[1]);
    close(saida[0]);
    std::vector<char*> argv;
    for (auto& a : argumentos) argv.push_back(a.data());
    argv.push_back(nullptr);
    execvp("python3", argv.data());
    _exit(127);
  }
  close(entrada[0]);
  close(saida[1]);
  iEntrada_ = entrada[1];
  std::string sPorta;
  char c;
  while (read(saida[0], &c, 1) == 1 && c != '\n') sPorta += c;
  close(saida[0]);
  iPorta_ = std::atoi(sPorta.c_str());
  if (iPorta_ <= 0) {
    close(iEntrada_);
    waitpid(pid_, nullptr, 0);
    throw std::runtime_error("the test web server did not start");
  }
}

ServidorHttpTeste::~ServidorHttpTeste() {
  if (iEntrada_ >= 0) close(iEntrada_);
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
}

std::string ServidorHttpTeste::Endereco() const {
  return std::string(bTls_ ? "https" : "http") + "://127.0.0.1:" + std::to_string(iPorta_);
}

void ServidorHttpTeste::Publica(const std::string& caminho, const std::string& conteudo) const {
  EscreveArquivo(pasta_ / ("www" + DecodificaCaminho(caminho)), conteudo);
}

std::vector<std::string> ServidorHttpTeste::Pedidos() const {
  std::istringstream entrada(LeTexto(pasta_ / "pedidos.txt"));
  std::vector<std::string> pedidos;
  for (std::string linha; std::getline(entrada, linha);) pedidos.push_back(linha);
  return pedidos;
}
