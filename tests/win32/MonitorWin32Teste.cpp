// The core where only Windows brings the condition about: a flag file the ERP holds open
// without sharing, and two monitors writing their logs into one folder.
#include "shell/UnMonitor.h"  // before <windows.h>: see UnTela.h

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/UnTextoLargo.h"
#include "suporte/PastaTemporaria.h"
#include "suporte/TelaTeste.h"

namespace {

// The lines of a log without their time stamps ("2026-12-09 10:30:00 ").
std::vector<std::string> Linhas(const std::string& texto) {
  constexpr size_t CARIMBO = 20;
  std::vector<std::string> linhas;
  size_t inicio = 0;
  for (size_t fim; (fim = texto.find('\n', inicio)) != std::string::npos; inicio = fim + 1) {
    const std::string linha = texto.substr(inicio, fim - inicio);
    linhas.push_back(linha.size() > CARIMBO ? linha.substr(CARIMBO) : linha);
  }
  if (inicio < texto.size()) linhas.push_back(texto.substr(inicio));  // a line cut short
  return linhas;
}

// The file opened as the ERP opens it while it writes: nobody else may read it meanwhile.
class ArquivoExclusivo {
 public:
  explicit ArquivoExclusivo(const std::string& caminho)
      : h_(CreateFileW(UnTextoLargo::Largo(caminho).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  ~ArquivoExclusivo() {
    if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
  }
  bool Aberto() const { return h_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE h_;
};

}  // namespace

TEST(MonitorWin32, ConectadoIlegivelAvisaUmaVezPorEpisodio) {
  PastaTemporaria pasta;
  TelaTeste tela;
  TMonitorCTe m(tela);
  // Without the ERP's initialisation file the data folder is "Dados" beside the ERP folder.
  m.sCaminhoExecutavel = pasta.Caminho() + "\\Sistema\\MonitorCTe.exe";
  EscreveArquivo(m.sCaminhoExecutavel, "");
  m.Log.Inicia(pasta.Caminho() + "\\Sistema");
  const std::string flag = pasta.Caminho() + "\\Dados\\Conectado.txt";
  EscreveArquivo(flag, "CONECTADO");
  // Told without a box, as an alert of the day's list: the tick that meets it goes on at once.
  const auto Avisos = [&] {
    return std::count_if(tela.ocorrencias.begin(), tela.ocorrencias.end(), [](const auto& o) {
      return o.bAlerta && o.sDetalhe == "Não foi possível acessar a pasta Dados no Servidor.";
    });
  };
  {
    ArquivoExclusivo erp(flag);
    ASSERT_TRUE(erp.Aberto());
    for (int tick = 0; tick < 4; ++tick) EXPECT_TRUE(m.ConexaoPermitida()) << tick;
    EXPECT_EQ(Avisos(), 1);
  }
  EXPECT_TRUE(m.ConexaoPermitida());  // readable again: the episode is over
  {
    ArquivoExclusivo erp(flag);
    ASSERT_TRUE(erp.Aberto());
    EXPECT_TRUE(m.ConexaoPermitida());
    EXPECT_TRUE(m.ConexaoPermitida());
  }
  EXPECT_EQ(Avisos(), 2);
  EXPECT_TRUE(tela.notificacoes.empty());
  std::vector<std::string> linhas;
  for (const std::string& linha : Linhas(LeTexto(m.Log.ArquivoDoDia(UnLocalidade::Agora()))))
    if (linha.rfind("ocorrência", 0) != 0) linhas.push_back(linha);
  EXPECT_EQ(linhas, (std::vector<std::string>{
                        "Conectado.txt ilegível; o monitor segue e termina se durar 10 minutos",
                        "pasta Dados acessível de novo após 4 verificações",
                        "Conectado.txt ilegível; o monitor segue e termina se durar 10 minutos"}));
}

// A terminal server: two monitors, one log folder, writing at the same time.
TEST(MonitorWin32, DoisMonitoresNoMesmoLogGuardamTodasAsLinhas) {
  PastaTemporaria pasta;
  constexpr int LINHAS = 300;
  const auto Escreve = [&](const char* quem) {
    TLogAtividade log;
    log.Inicia(pasta.Caminho());
    log.Relogio = [] { return UnLocalidade::DataHora{2026, 12, 9, 10, 30, 0, 0}; };
    for (int i = 0; i < LINHAS; ++i) log.Registra(std::string(quem) + " linha " + std::to_string(i));
  };
  std::thread primeiro(Escreve, "estação A");
  std::thread segundo(Escreve, "estação B");
  primeiro.join();
  segundo.join();
  auto linhas = Linhas(LeTexto(pasta.Caminho() + "\\Log\\MonitorCTe-20261209.log"));
  std::vector<std::string> esperadas;
  for (const char* quem : {"estação A", "estação B"})
    for (int i = 0; i < LINHAS; ++i) esperadas.push_back(quem + (" linha " + std::to_string(i)));
  std::sort(linhas.begin(), linhas.end());
  std::sort(esperadas.begin(), esperadas.end());
  std::vector<std::string> perdidas, estranhas;
  std::set_difference(esperadas.begin(), esperadas.end(), linhas.begin(), linhas.end(),
                      std::back_inserter(perdidas));
  std::set_difference(linhas.begin(), linhas.end(), esperadas.begin(), esperadas.end(),
                      std::back_inserter(estranhas));
  EXPECT_EQ(perdidas, std::vector<std::string>{});
  EXPECT_EQ(estranhas, std::vector<std::string>{});
}
