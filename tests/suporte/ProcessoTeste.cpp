#include "suporte/ProcessoTeste.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <thread>

#include "suporte/PastaTemporaria.h"

extern char** environ;

ProcessoTeste::ProcessoTeste(const std::string& programa,
                             const std::vector<std::string>& argumentos,
                             const std::string& pastaSaida,
                             const std::map<std::string, std::string>& ambiente,
                             const std::string& pastaTrabalho) {
  static int contador = 0;
  const std::string sufixo = std::to_string(getpid()) + "-" + std::to_string(++contador);
  saida_ = pastaSaida + "/saida-" + sufixo + ".txt";
  erros_ = pastaSaida + "/erros-" + sufixo + ".txt";

  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    const std::string entrada = *e;
    if (!ambiente.count(entrada.substr(0, entrada.find('=')))) env.push_back(entrada);
  }
  for (const auto& [chave, valor] : ambiente) env.push_back(chave + "=" + valor);
  std::vector<char*> envp, argv;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::vector<std::string> args{programa};
  args.insert(args.end(), argumentos.begin(), argumentos.end());
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    setpgid(0, 0);
    const int nulo = open("/dev/null", O_RDONLY);
    const int out = open(saida_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = open(erros_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(nulo, 0);
    dup2(out, 1);
    dup2(err, 2);
    // Nothing of the test process (the embedded engine's lock files) passes to the child.
    for (int fd = 3; fd < 1024; ++fd) close(fd);
    if (!pastaTrabalho.empty() && chdir(pastaTrabalho.c_str()) != 0) _exit(127);
    execve(programa.c_str(), argv.data(), envp.data());
    _exit(127);
  }
}

ProcessoTeste::~ProcessoTeste() {
  if (!codigo_ && pid_ > 0) {
    kill(pid_, SIGKILL);
    Espera(5);
  }
}

void ProcessoTeste::Sinal(int sinal) const { kill(pid_, sinal); }

std::optional<int> ProcessoTeste::Espera(double segundos) {
  const auto limite = std::chrono::steady_clock::now() + std::chrono::duration<double>(segundos);
  while (!codigo_) {
    int estado = 0;
    const pid_t r = waitpid(pid_, &estado, WNOHANG);
    if (r == pid_) {
      codigo_ = WIFEXITED(estado) ? WEXITSTATUS(estado) : 128 + WTERMSIG(estado);
      break;
    }
    if (std::chrono::steady_clock::now() >= limite) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return codigo_;
}

bool ProcessoTeste::EmExecucao() { return !Espera(0).has_value(); }

std::string ProcessoTeste::Saida() const { return LeTexto(saida_); }
std::string ProcessoTeste::Erros() const { return LeTexto(erros_); }

bool ProcessoTeste::EsperaSaida(const std::string& texto, double segundos, int vezes) {
  const auto limite = std::chrono::steady_clock::now() + std::chrono::duration<double>(segundos);
  while (std::chrono::steady_clock::now() < limite) {
    if (Ocorrencias(Saida(), texto) >= vezes) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return Ocorrencias(Saida(), texto) >= vezes;
}

ErpSubstituto::ErpSubstituto(const std::string& pasta, const std::string& nome) {
  const std::string copia = pasta + "/" + nome;
  std::filesystem::copy_file("/bin/sleep", copia, std::filesystem::copy_options::overwrite_existing);
  std::filesystem::permissions(copia, std::filesystem::perms::owner_all);
  processo_ = std::make_unique<ProcessoTeste>(copia, std::vector<std::string>{"600"}, pasta);
  // Seen in the process list only once the child has run the copy.
  const std::string linhaComando = "/proc/" + std::to_string(processo_->Pid()) + "/cmdline";
  for (int i = 0; i < 250 && LeTexto(linhaComando).find(nome) == std::string::npos; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

ErpSubstituto::~ErpSubstituto() = default;

void InstalaUniDanfeSubstituto(const std::string& pasta, const std::string& registro) {
  namespace fs = std::filesystem;
  const std::string programa = pasta + "/c:\\unimake\\uninfe\\unidanfe.exe";
  EscreveArquivo(programa, "#!/bin/sh\necho \"$1\" >> '" + registro + "'\n");
  fs::permissions(programa, fs::perms::owner_all);
  // Started from its working folder, the program's relative name is looked up there.
  const std::string pastaTrabalho = pasta + "/c:\\unimake\\unidanfe";
  fs::create_directories(pastaTrabalho);
  fs::create_symlink(programa, pastaTrabalho + "/c:\\unimake\\uninfe\\unidanfe.exe");
}

int Ocorrencias(const std::string& onde, const std::string& texto) {
  int n = 0;
  for (size_t p = onde.find(texto); p != std::string::npos; p = onde.find(texto, p + texto.size()))
    ++n;
  return n;
}
