#pragma once
// One issuing company on a whole test installation, a monitor on it whose program starts are
// recorded, and short ways to read the CT-e result rows back on a connection of their own.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/UnLocalidade.h"
#include "processing/UnFuncoesCTe.h"
#include "suporte/InstalacaoTeste.h"
#include "suporte/RespostasTeste.h"

class CenarioProcessamento : public ::testing::Test {
 protected:
  static constexpr const char* CNPJ = "12345678000199";
  static constexpr const char* UNIDANFE = "c:\\unimake\\uninfe\\unidanfe.exe";

  InstalacaoTeste inst;
  TelaTeste tela;
  int32_t iEmpresa = 0;
  std::unique_ptr<TMonitorCTe> m;
  std::vector<UnProcessos::PedidoExecucao> execucoes;

  void SetUp() override {
    iEmpresa = inst.banco->AdicionaEmpresa(CNPJ);
    CriaMonitor();
  }

  // A monitor of its own run (the one before, if any, is gone), recording program starts.
  void CriaMonitor() {
    m = inst.Monitor(tela);
    m->Executa = [this](const UnProcessos::PedidoExecucao& pedido) {
      execucoes.push_back(pedido);
      return true;
    };
  }

  int32_t AdicionaCTe(const std::string& chave,
                      std::optional<std::string> chaveGravada = std::nullopt) {
    return inst.banco->AdicionaCTe(iEmpresa, chave, std::move(chaveGravada));
  }

  void Passo() { m->ProcessaEmpresas(); }
  // A pass that goes on past a file that fails for its own sake: the file waits in Retorno
  // with the error's text as its reason.
  void PassoDeixaEsperando(const std::string& trecho) {
    ASSERT_NO_THROW(Passo());
    const auto& esperas = m->Esperas.Esperas();
    EXPECT_TRUE(std::any_of(esperas.begin(), esperas.end(), [&](const auto& e) {
      return e.second.sDetalhe.find(trecho) != std::string::npos;
    })) << (esperas.empty() ? "nothing waits" : esperas.begin()->second.sDetalhe);
  }

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
    for (const auto& e : execucoes)
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
