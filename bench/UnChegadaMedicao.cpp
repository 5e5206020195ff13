#include "UnChegadaMedicao.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace UnChegadaMedicao {

RegistroChegadas::RegistroChegadas(const std::string& pasta) {
  fd_ = inotify_init1(IN_CLOEXEC);
  if (fd_ < 0 || inotify_add_watch(fd_, pasta.c_str(), IN_MOVED_TO | IN_CREATE) < 0 ||
      pipe2(fim_, O_CLOEXEC) != 0)
    throw std::runtime_error("cannot watch " + pasta);
  leitor_ = std::thread([this] { Le(); });
}

RegistroChegadas::~RegistroChegadas() {
  const char c = 0;
  [[maybe_unused]] const ssize_t n = write(fim_[1], &c, 1);
  leitor_.join();
  for (int fd : {fd_, fim_[0], fim_[1]}) close(fd);
}

void RegistroChegadas::Le() {
  alignas(inotify_event) char bloco[65536];
  for (;;) {
    pollfd p[2] = {{fd_, POLLIN, 0}, {fim_[0], POLLIN, 0}};
    if (poll(p, 2, -1) < 0 || p[1].revents) return;
    const ssize_t lido = read(fd_, bloco, sizeof bloco);
    const auto agora = Parede::now();
    if (lido <= 0) continue;
    std::lock_guard<std::mutex> t(trava_);
    for (ssize_t i = 0; i < lido;) {
      const auto* e = reinterpret_cast<const inotify_event*>(bloco + i);
      if (e->len > 0) chegadas_.emplace(e->name, agora);
      i += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
    }
    aviso_.notify_all();
  }
}

std::optional<Parede::time_point> RegistroChegadas::Espera(const std::string& nome,
                                                           std::chrono::milliseconds limite) {
  std::unique_lock<std::mutex> t(trava_);
  if (!aviso_.wait_for(t, limite, [&] { return chegadas_.count(nome) > 0; })) return std::nullopt;
  return chegadas_.at(nome);
}

size_t RegistroChegadas::Quantidade() {
  std::lock_guard<std::mutex> t(trava_);
  return chegadas_.size();
}

void InstalaImpressora(const std::string& pastaMonitor, const std::string& registro) {
  // Relative names with backslashes, as the monitor gives them on this system. The program is
  // looked for after the change into its working folder: that folder is the monitor's own.
  fs::create_directories(pastaMonitor);
  fs::create_directory_symlink(".", pastaMonitor + "/c:\\unimake\\unidanfe");
  const std::string programa = pastaMonitor + "/c:\\unimake\\uninfe\\unidanfe.exe";
  std::ofstream(programa) << "#!/bin/sh\necho \"$(date +%s%N) $1\" >> '" << registro << "'\n";
  fs::permissions(programa, fs::perms::owner_all);
}

std::optional<Parede::time_point> InicioImpressao(const std::string& registro,
                                                  const std::string& chave) {
  std::ifstream arquivo(registro);
  std::string linha;
  while (std::getline(arquivo, linha)) {
    if (linha.find(chave) == std::string::npos) continue;
    const long long ns = std::stoll(linha.substr(0, linha.find(' ')));
    return Parede::time_point(
        std::chrono::duration_cast<Parede::duration>(std::chrono::nanoseconds(ns)));
  }
  return std::nullopt;
}

Parede::time_point EscreveResposta(const std::string& caminho, const std::string& conteudo) {
  const int fd = open(caminho.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  const bool escrito =
      fd >= 0 && write(fd, conteudo.data(), conteudo.size()) == static_cast<ssize_t>(conteudo.size());
  if (fd >= 0) close(fd);
  if (!escrito) throw std::runtime_error("cannot write " + caminho);
  return Parede::now();
}

}  // namespace UnChegadaMedicao
