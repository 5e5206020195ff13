#pragma once
// One issuing company on a whole test installation, a monitor on it whose program starts are
// recorded, and short ways to read the CT-e result rows back on a connection of their own.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/UnArquivos.h"
#include "platform/UnLocalidade.h"
#include "processing/UnFuncoesCTe.h"
#include "suporte/InstalacaoTeste.h"
#include "suporte/RespostasTeste.h"

class CenarioProcessamento : public ::testing::Test {
 protected:
  static constexpr const char* CNPJ = "12345678000199";
  static constexpr const char* UNIDANFE = "c:\\unimake\\uninfe\\unidanfe.exe";
  static constexpr char SEP = '\x1f';

  InstalacaoTeste inst;
  TelaTeste tela;
  int32_t iEmpresa = 0;
  std::unique_ptr<TMonitorCTe> m;

  void SetUp() override {
    iEmpresa = inst.banco->AdicionaEmpresa(CNPJ);
    CriaMonitor();
  }

  // A monitor of its own run (the one before, if any, is gone), recording program starts.
  // The printing program may be started from a child process of the monitor's, so the starts
  // are kept in a file, one line each.
  void CriaMonitor() {
    m = inst.Monitor(tela);
    m->Executa = [this](const UnProcessos::PedidoExecucao& p) {
      return UnArquivos::AcrescentaArquivo(ArquivoExecucoes(), p.sVerbo + SEP + p.sArquivo + SEP +
                                                                   p.sParametros + SEP +
                                                                   p.sPastaTrabalho + SEP +
                                                                   (p.bOculto ? "1" : "0") + "\n");
    };
  }

  std::string ArquivoExecucoes() const { return inst.pasta / "execucoes.txt"; }
  std::vector<UnProcessos::PedidoExecucao> Execucoes() const {
    std::vector<UnProcessos::PedidoExecucao> r;
    const std::string texto = UnArquivos::LeArquivo(ArquivoExecucoes(), 1 << 20).value_or("");
    for (size_t i = 0, f; (f = texto.find('\n', i)) != std::string::npos; i = f + 1) {
      std::vector<std::string> c(1);
      for (const char ch : texto.substr(i, f - i)) {
        if (ch == SEP)
          c.emplace_back();
        else
          c.back() += ch;
      }
      c.resize(5);
      r.push_back({c[0], c[1], c[2], c[3], c[4] == "1"});
    }
    return r;
  }

  int32_t AdicionaCTe(const std::string& chave,
                      std::optional<std::string> chaveGravada = std::nullopt) {
    return inst.banco->AdicionaCTe(iEmpresa, chave, std::move(chaveGravada));
  }

  void Passo() { m->ProcessaEmpresas(); }

  std::string Retorno(const std::string& nome = "") const { return inst.Retorno(CNPJ) + nome; }
  std::string OK(const std::string& nome = "") const { return inst.RetornoOK(CNPJ) + nome; }
  std::string Erro(const std::string& nome = "") const { return inst.Erro(CNPJ) + nome; }

  void Resposta(const std::string& nome, const std::string& xml) const {
    RespostasTeste::EscreveResposta(Retorno(nome), xml);
  }

  // A column of the CT-e's result row as text (timestamps as yyyy-mm-dd hh:mm:ss.ffff).
  std::string Coluna(const std::string& coluna, int32_t id) const {
    return inst.banco->Texto("select cast(" + coluna + " as varchar(40)) from MOV_CTE_RET where id_cte = " +
                             std::to_string(id));
  }
  bool Nula(const std::string& coluna, int32_t id) const {
    return inst.banco->Nulo("select " + coluna + " from MOV_CTE_RET where id_cte = " +
                            std::to_string(id));
  }

  // The starts of the printing program, leaving out the explorer shown for error files.
  std::vector<UnProcessos::PedidoExecucao> Impressoes() const {
    std::vector<UnProcessos::PedidoExecucao> r;
    for (const auto& e : Execucoes())
      if (e.sArquivo == UNIDANFE) r.push_back(e);
    return r;
  }

  static std::string MesAtual() {
    const UnLocalidade::DataHora hoje = UnLocalidade::Agora();
    return UnFuncoesCTe::PreencheZeros(std::to_string(hoje.iAno), 4) +
           UnFuncoesCTe::PreencheZeros(std::to_string(hoje.iMes), 2);
  }
  // The authorised document's file as the transmitter keeps it, under a month folder.
  std::string ArquivoAutorizado(const std::string& mes, const std::string& chave) const {
    return inst.Autorizados(CNPJ) + mes + "/CTe" + chave + "-procCTe.xml";
  }
};

inline bool ExisteArquivo(const std::string& caminho) {
  return std::filesystem::is_regular_file(caminho);
}
