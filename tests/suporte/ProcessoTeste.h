#pragma once
// Real processes for the end-to-end tests: the monitor binary and stand-in ERP programs.
#include <sys/types.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class ProcessoTeste {
 public:
  // Starts `programa` with `argumentos`; standard output and error go to files in `pastaSaida`.
  // `ambiente` entries are added to (or replace those of) this process's environment; it runs
  // in `pastaTrabalho` when one is given.
  ProcessoTeste(const std::string& programa, const std::vector<std::string>& argumentos,
                const std::string& pastaSaida,
                const std::map<std::string, std::string>& ambiente = {},
                const std::string& pastaTrabalho = "");
  ~ProcessoTeste();
  ProcessoTeste(const ProcessoTeste&) = delete;
  ProcessoTeste& operator=(const ProcessoTeste&) = delete;

  pid_t Pid() const { return pid_; }
  void Sinal(int sinal) const;
  // Exit code once the process ended within `segundos`; empty when it still runs.
  std::optional<int> Espera(double segundos);
  bool EmExecucao();
  std::string Saida() const;
  std::string Erros() const;
  // Waits until the standard output holds `texto` `vezes` times; false after `segundos`.
  bool EsperaSaida(const std::string& texto, double segundos, int vezes = 1);

 private:
  pid_t pid_ = -1;
  std::optional<int> codigo_;
  std::string saida_, erros_;
};

// A copy of the sleep program under `nome`, started so that it runs until the test ends.
class ErpSubstituto {
 public:
  ErpSubstituto(const std::string& pasta, const std::string& nome);
  ~ErpSubstituto();

 private:
  std::unique_ptr<ProcessoTeste> processo_;
};

// The printing program for a monitor that runs in `pasta`: the Windows paths of UniDANFe and
// of its working folder are plain relative names there. Each start appends the document it
// was given ("ARQUIVO=" and the path) as one line to `registro`.
void InstalaUniDanfeSubstituto(const std::string& pasta, const std::string& registro);

// How often `texto` stands in `onde`.
int Ocorrencias(const std::string& onde, const std::string& texto);
