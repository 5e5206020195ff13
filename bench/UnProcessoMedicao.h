#pragma once
// The real monitor-cte process for the measurements: started with its standard output on a
// pipe that a thread reads line by line, so the moment each counters line appears is known;
// its memory and CPU time read from /proc.
#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace UnProcessoMedicao {

using Relogio = std::chrono::steady_clock;

class ProcessoMonitor {
 public:
  // Starts `programa` with `argumentos`, `ambiente` added to this process's environment,
  // standard error into `arquivoErros`, in `pastaTrabalho` (this process's own when empty).
  ProcessoMonitor(const std::string& programa, const std::map<std::string, std::string>& ambiente,
                  const std::string& arquivoErros, const std::vector<std::string>& argumentos = {},
                  const std::string& pastaTrabalho = "");
  ~ProcessoMonitor();
  ProcessoMonitor(const ProcessoMonitor&) = delete;
  ProcessoMonitor& operator=(const ProcessoMonitor&) = delete;

  pid_t Pid() const { return pid_; }
  Relogio::time_point Inicio() const { return inicio_; }
  // Waits until `quantidade` counters lines were printed; the moment the last of them was
  // read, or nothing after `limite`.
  bool EsperaContadores(int quantidade, Relogio::duration limite, Relogio::time_point* momento);
  int LinhasContadores();
  // Waits for the end of the process; its exit code (128 + signal when killed).
  int EsperaFim();
  std::string UltimaLinha();
  Relogio::time_point MomentoUltimaLinha();
  // SIGTERM, then SIGKILL when it has not ended within five seconds.
  void Encerra();

 private:
  void LeSaida(int fd);

  pid_t pid_ = -1;
  Relogio::time_point inicio_;
  std::thread leitor_;
  std::mutex trava_;
  std::condition_variable aviso_;
  std::vector<Relogio::time_point> momentos_;  // of each counters line
  bool fim_ = false;
  std::string ultimaLinha_;
  Relogio::time_point momentoUltimaLinha_;
};

// A value of /proc/PID/status in KiB (VmHWM, VmRSS); -1 when unreadable.
int64_t LeStatusKiB(pid_t pid, const std::string& campo);
// utime + stime of /proc/PID/stat, in seconds.
double TempoCpu(pid_t pid);

}  // namespace UnProcessoMedicao
