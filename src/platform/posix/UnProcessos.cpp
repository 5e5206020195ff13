#include "platform/UnProcessos.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>

#include "platform/UnArquivos.h"

namespace UnProcessos {

namespace {

std::string LeLink(const std::string& caminho) {
  std::string alvo(4096, '\0');
  const ssize_t tamanho = readlink(caminho.c_str(), alvo.data(), alvo.size());
  if (tamanho <= 0) return {};
  alvo.resize(static_cast<size_t>(tamanho));
  return alvo;
}

bool EhNumero(const char* texto) {
  if (*texto == '\0') return false;
  for (; *texto; ++texto) {
    if (*texto < '0' || *texto > '9') return false;
  }
  return true;
}

// Splits a command line on blanks; a double-quoted run keeps its blanks, without the quotes.
std::vector<std::string> SeparaParametros(const std::string& linha) {
  std::vector<std::string> partes;
  std::string atual;
  bool temParte = false, entreAspas = false;
  for (const char c : linha) {
    if (c == '"') {
      entreAspas = !entreAspas;
      temParte = true;
    } else if ((c == ' ' || c == '\t') && !entreAspas) {
      if (temParte) partes.push_back(atual);
      atual.clear();
      temParte = false;
    } else {
      atual += c;
      temParte = true;
    }
  }
  if (temParte) partes.push_back(atual);
  return partes;
}

// Looks a program up in PATH, as execvp would, without starting anything.
std::string ProcuraNoPath(const std::string& programa) {
  const char* path = std::getenv("PATH");
  if (!path) return {};
  const std::string pastas(path);
  size_t inicio = 0;
  while (inicio <= pastas.size()) {
    size_t fim = pastas.find(':', inicio);
    if (fim == std::string::npos) fim = pastas.size();
    const std::string pasta = fim > inicio ? pastas.substr(inicio, fim - inicio) : ".";
    const std::string candidato = pasta + "/" + programa;
    if (UnArquivos::ExisteArquivo(candidato) && access(candidato.c_str(), X_OK) == 0) {
      return candidato;
    }
    inicio = fim + 1;
  }
  return {};
}

// Starts the program detached: a child forks the grandchild that runs it and exits at once,
// so the grandchild is adopted by init and never left as a zombie of the monitor.
bool Inicia(const std::string& programa, const std::vector<std::string>& argumentos,
            const std::string& pastaTrabalho, bool oculto) {
  std::vector<char*> argv;
  argv.reserve(argumentos.size() + 1);
  for (const auto& a : argumentos) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  // A pipe tells the parent whether exec succeeded: it closes on exec, or carries an errno.
  int canal[2];
  if (pipe2(canal, O_CLOEXEC) != 0) return false;
  const pid_t filho = fork();
  if (filho < 0) {
    close(canal[0]);
    close(canal[1]);
    return false;
  }
  if (filho == 0) {
    close(canal[0]);
    const pid_t neto = fork();
    if (neto != 0) _exit(neto < 0 ? 1 : 0);
    setsid();
    signal(SIGCHLD, SIG_DFL);
    // Nothing of the monitor's own (database sockets, lock files) goes to the program.
    close_range(STDERR_FILENO + 1, static_cast<unsigned>(canal[1]) - 1, 0);
    close_range(static_cast<unsigned>(canal[1]) + 1, ~0u, 0);
    int erro = 0;
    if (!pastaTrabalho.empty() && chdir(pastaTrabalho.c_str()) != 0) erro = errno;
    if (erro == 0 && oculto) {
      const int nulo = open("/dev/null", O_RDWR);
      if (nulo >= 0) {
        dup2(nulo, STDIN_FILENO);
        dup2(nulo, STDOUT_FILENO);
        dup2(nulo, STDERR_FILENO);
        if (nulo > STDERR_FILENO) close(nulo);
      }
    }
    if (erro == 0) {
      execv(programa.c_str(), argv.data());
      erro = errno;
    }
    [[maybe_unused]] const ssize_t escrito = write(canal[1], &erro, sizeof erro);
    _exit(127);
  }
  close(canal[1]);
  int estado = 0;
  while (waitpid(filho, &estado, 0) < 0 && errno == EINTR) {
  }
  int erro = 0;
  ssize_t lido;
  do {
    lido = read(canal[0], &erro, sizeof erro);
  } while (lido < 0 && errno == EINTR);
  close(canal[0]);
  return WIFEXITED(estado) && WEXITSTATUS(estado) == 0 && lido == 0;
}

}  // namespace

std::optional<std::vector<std::string>> ListaProcessos() {
  std::unique_ptr<DIR, int (*)(DIR*)> proc(opendir("/proc"), closedir);
  if (!proc) return std::nullopt;
  std::vector<std::string> nomes;
  while (const dirent* entrada = readdir(proc.get())) {
    if (!EhNumero(entrada->d_name)) continue;
    const std::string pasta = std::string("/proc/") + entrada->d_name;
    // argv[0] is what a program under Wine shows (its Windows path); the executable's
    // target is the real file, whatever the program calls itself.
    const auto linha = UnArquivos::LeArquivo(pasta + "/cmdline", 4096);
    if (linha && !linha->empty()) {
      const std::string argv0 = linha->substr(0, linha->find('\0'));
      if (!argv0.empty()) nomes.push_back(argv0);
    }
    std::string alvo = LeLink(pasta + "/exe");
    if (!alvo.empty()) nomes.push_back(std::move(alvo));
  }
  return nomes;
}

std::string CaminhoExecutavel() { return LeLink("/proc/self/exe"); }

bool Executa(const PedidoExecucao& pedido) {
  if (pedido.sArquivo == EXPLORADOR) {
    // The desktop's opener shows the file's folder: it cannot select a file, and the file
    // itself, opened, could be a program.
    const std::string abridor = ProcuraNoPath("xdg-open");
    const size_t barra = pedido.sParametros.rfind('/');
    if (abridor.empty() || barra == std::string::npos) return false;
    const std::string pasta = barra == 0 ? "/" : pedido.sParametros.substr(0, barra);
    return Inicia(abridor, {abridor, pasta}, pedido.sPastaTrabalho, true);
  }
  if (!UnArquivos::ExisteArquivo(pedido.sArquivo) || access(pedido.sArquivo.c_str(), X_OK) != 0) {
    return false;
  }
  std::vector<std::string> argumentos{pedido.sArquivo};
  for (auto& p : SeparaParametros(pedido.sParametros)) argumentos.push_back(std::move(p));
  return Inicia(pedido.sArquivo, argumentos, pedido.sPastaTrabalho, pedido.bOculto);
}

}  // namespace UnProcessos
