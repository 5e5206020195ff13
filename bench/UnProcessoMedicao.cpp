#include "UnProcessoMedicao.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace UnProcessoMedicao {

namespace {

const std::string LINHA_CONTADORES = "Lotes Processados = ";

}  // namespace

ProcessoMonitor::ProcessoMonitor(const std::string& programa,
                                 const std::map<std::string, std::string>& ambiente,
                                 const std::string& arquivoErros,
                                 const std::vector<std::string>& argumentos,
                                 const std::string& pastaTrabalho) {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    const std::string entrada = *e;
    if (!ambiente.count(entrada.substr(0, entrada.find('=')))) env.push_back(entrada);
  }
  for (const auto& [chave, valor] : ambiente) env.push_back(chave + "=" + valor);
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::vector<std::string> args{programa};
  args.insert(args.end(), argumentos.begin(), argumentos.end());
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  int tubo[2];
  if (pipe2(tubo, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  posix_spawn_file_actions_t acoes;
  posix_spawn_file_actions_init(&acoes);
  posix_spawn_file_actions_addopen(&acoes, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&acoes, tubo[1], 1);
  posix_spawn_file_actions_addopen(&acoes, 2, arquivoErros.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  if (!pastaTrabalho.empty()) posix_spawn_file_actions_addchdir_np(&acoes, pastaTrabalho.c_str());
  inicio_ = Relogio::now();
  const int erro = posix_spawn(&pid_, programa.c_str(), &acoes, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&acoes);
  close(tubo[1]);
  if (erro != 0) {
    close(tubo[0]);
    throw std::runtime_error("cannot start " + programa);
  }
  leitor_ = std::thread([this, fd = tubo[0]] { LeSaida(fd); });
}

ProcessoMonitor::~ProcessoMonitor() {
  Encerra();
  if (leitor_.joinable()) leitor_.join();
}

void ProcessoMonitor::LeSaida(int fd) {
  std::string pendente;
  char bloco[65536];
  for (;;) {
    const ssize_t lido = read(fd, bloco, sizeof bloco);
    if (lido <= 0) break;
    const auto agora = Relogio::now();
    pendente.append(bloco, static_cast<size_t>(lido));
    size_t inicio = 0;
    for (size_t fim; (fim = pendente.find('\n', inicio)) != std::string::npos; inicio = fim + 1) {
      std::lock_guard<std::mutex> t(trava_);
      ultimaLinha_ = pendente.substr(inicio, fim - inicio);
      momentoUltimaLinha_ = agora;
      if (pendente.compare(inicio, LINHA_CONTADORES.size(), LINHA_CONTADORES) == 0) {
        momentos_.push_back(agora);
        aviso_.notify_all();
      }
    }
    pendente.erase(0, inicio);
  }
  close(fd);
  std::lock_guard<std::mutex> t(trava_);
  fim_ = true;
  aviso_.notify_all();
}

bool ProcessoMonitor::EsperaContadores(int quantidade, Relogio::duration limite,
                                       Relogio::time_point* momento) {
  std::unique_lock<std::mutex> t(trava_);
  const bool chegou = aviso_.wait_for(t, limite, [&] {
    return fim_ || momentos_.size() >= static_cast<size_t>(quantidade);
  });
  if (!chegou || momentos_.size() < static_cast<size_t>(quantidade)) return false;
  if (momento) *momento = momentos_[static_cast<size_t>(quantidade) - 1];
  return true;
}

int ProcessoMonitor::LinhasContadores() {
  std::lock_guard<std::mutex> t(trava_);
  return static_cast<int>(momentos_.size());
}

int ProcessoMonitor::EsperaFim() {
  int estado = 0;
  if (pid_ <= 0 || waitpid(pid_, &estado, 0) != pid_) return -1;
  pid_ = -1;
  if (leitor_.joinable()) leitor_.join();
  return WIFEXITED(estado) ? WEXITSTATUS(estado) : 128 + WTERMSIG(estado);
}

std::string ProcessoMonitor::UltimaLinha() {
  std::lock_guard<std::mutex> t(trava_);
  return ultimaLinha_;
}

Relogio::time_point ProcessoMonitor::MomentoUltimaLinha() {
  std::lock_guard<std::mutex> t(trava_);
  return momentoUltimaLinha_;
}

void ProcessoMonitor::Encerra() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  const auto limite = Relogio::now() + std::chrono::seconds(5);
  int estado = 0;
  while (waitpid(pid_, &estado, WNOHANG) == 0) {
    if (Relogio::now() >= limite) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &estado, 0);
      break;
    }
    usleep(10000);
  }
  pid_ = -1;
}

int64_t LeStatusKiB(pid_t pid, const std::string& campo) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string linha;
  while (std::getline(status, linha)) {
    if (linha.compare(0, campo.size() + 1, campo + ":") == 0)
      return std::stoll(linha.substr(campo.size() + 1));
  }
  return -1;
}

double TempoCpu(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string conteudo((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  const size_t fimNome = conteudo.rfind(')');
  if (fimNome == std::string::npos) return -1;
  std::istringstream campos(conteudo.substr(fimNome + 2));
  std::string campo;
  unsigned long long utime = 0, stime = 0;
  // After the name: state is field 3; utime and stime are fields 14 and 15.
  for (int i = 3; i <= 15 && campos >> campo; ++i) {
    if (i == 14) utime = std::stoull(campo);
    if (i == 15) stime = std::stoull(campo);
  }
  return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

}  // namespace UnProcessoMedicao
