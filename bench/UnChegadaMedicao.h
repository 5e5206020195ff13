#pragma once
// What the arrival measurements see from outside the monitor: the moment each answer reached
// Retorno/OK, and the moment the printing program was started for it. Both on the wall clock,
// the one clock the stand-in printing program shares with this process.
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace UnChegadaMedicao {

using Parede = std::chrono::system_clock;

// Keeps, for each file created or moved into a folder, the moment it arrived there.
class RegistroChegadas {
 public:
  explicit RegistroChegadas(const std::string& pasta);
  ~RegistroChegadas();
  RegistroChegadas(const RegistroChegadas&) = delete;
  RegistroChegadas& operator=(const RegistroChegadas&) = delete;

  // The moment `nome` arrived, waiting for it up to `limite`; empty when it did not come.
  std::optional<Parede::time_point> Espera(const std::string& nome,
                                           std::chrono::milliseconds limite);
  size_t Quantidade();

 private:
  void Le();

  int fd_ = -1;
  int fim_[2] = {-1, -1};
  std::thread leitor_;
  std::mutex trava_;
  std::condition_variable aviso_;
  std::map<std::string, Parede::time_point> chegadas_;
};

// The stand-in for the printing program, under the name and working folder the monitor starts
// it with, relative to the monitor's working folder `pastaMonitor`: it appends the moment it
// started and its document to `registro`.
void InstalaImpressora(const std::string& pastaMonitor, const std::string& registro);
// The start of the printing program for the document whose path holds `chave`, as recorded.
std::optional<Parede::time_point> InicioImpressao(const std::string& registro,
                                                  const std::string& chave);

// Writes a file at once, as the transmitter finishes an answer; the moment it was complete.
Parede::time_point EscreveResposta(const std::string& caminho, const std::string& conteudo);

}  // namespace UnChegadaMedicao
