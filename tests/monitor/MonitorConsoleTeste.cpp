// The real monitor-cte program on a real installation: start-up, ticks, signals, endings.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/UnLocalidade.h"
#include "processing/UnFuncoesCTe.h"
#include "suporte/InstalacaoTeste.h"
#include "suporte/ProcessoTeste.h"
#include "suporte/RespostasTeste.h"
#include "suporte/ServidorTeste.h"

namespace fs = std::filesystem;

namespace {

const char* const LINHA_CONTADORES = "Lotes Processados = ";
const std::string CNPJ = "11111111000111";

// An installation with monitor-cte in its ERP folder, a company, and the self-update off.
struct InstalacaoConsole {
  explicit InstalacaoConsole(bool servidor = false) : inst(servidor) {
    fs::copy_file(MONITOR_CTE_BINARIO, inst.sExecutavel, fs::copy_options::overwrite_existing);
    EscreveArquivo(inst.sPastaErp + "/DebugarDelphi.tmp", "");
    iEmpresa = inst.banco->AdicionaEmpresa(CNPJ);
    fs::create_directories(sessao);
  }
  // `ambiente` adds the cycle's test settings.
  std::unique_ptr<ProcessoTeste> Inicia(std::map<std::string, std::string> ambiente = {}) {
    ambiente["XDG_RUNTIME_DIR"] = sessao;
    return std::make_unique<ProcessoTeste>(inst.sExecutavel, std::vector<std::string>{},
                                           inst.pasta.Caminho(), ambiente);
  }
  std::string Coluna(const std::string& coluna, int32_t id) const {
    return inst.banco->Texto("select cast(" + coluna +
                             " as varchar(40)) from MOV_CTE_RET where id_cte = " +
                             std::to_string(id));
  }
  InstalacaoTeste inst;
  int32_t iEmpresa = 0;
  std::string sessao = inst.pasta / "sessao";
  PastaTemporaria erp;
};

std::string EventoQuebrado(const InstalacaoTeste& inst) {
  return inst.Retorno(CNPJ) + "CTe35120612345678000199570010000000011000000019-eve.xml";
}

void ServidorFirebird(const char* acao) {
  const std::string comando = "bash " + ServidorTeste::Script() + " " + acao + " >/dev/null 2>&1";
  ASSERT_EQ(std::system(comando.c_str()), 0) << comando;
}

}  // namespace

TEST(MonitorConsole, SemErpFazOPassoInicialEUmPassoTemporizadoESai) {
  InstalacaoConsole c;
  auto p = c.Inicia();
  const auto codigo = p->Espera(30);
  ASSERT_TRUE(codigo.has_value()) << p->Saida();
  EXPECT_EQ(*codigo, 0) << p->Erros();
  const std::string saida = p->Saida();
  EXPECT_EQ(saida.rfind("quelvix Monitor CT-e Versão: ", 0), 0u) << saida;
  // Start-up shows the zeros, then one line per company pass: the first and the timed one.
  EXPECT_EQ(Ocorrencias(saida, LINHA_CONTADORES), 3) << saida;
  EXPECT_NE(saida.find("Lotes Processados = 0 | Solicitações Inconsistentes = 0 | Pedidos "
                       "Gerados = 0 | Lotes com o Erro = 0 | Confirmações Recebidas  = 0 | "
                       "Confirmações com Erro = 0 | CT-e Autorizados = 0 | CT-e com Erro = 0 | "
                       "CT-e Cancelados = 0 | Consultas do CT-e = 0 | Consultas com Erro = 0\n"),
            std::string::npos)
      << saida;
  EXPECT_TRUE(fs::is_directory(c.inst.RetornoOK(CNPJ)));
}

TEST(MonitorConsole, ComErpSegueAteDesconectarNaPrimeiraLinha) {
  InstalacaoConsole c;
  ErpSubstituto erp(c.erp.Caminho(), "quelvixEmpresa.exe");
  auto p = c.Inicia();
  ASSERT_TRUE(p->EsperaSaida(LINHA_CONTADORES, 20, 3)) << p->Saida() << p->Erros();
  const std::string flag = c.inst.sPastaDados + "Conectado.txt";
  int linhas = 3;
  for (const char* texto : {"desconectar", " DESCONECTAR", "OK\nDESCONECTAR"}) {
    EscreveArquivo(flag, texto);
    ASSERT_TRUE(p->EsperaSaida(LINHA_CONTADORES, 12, ++linhas)) << texto;
    EXPECT_TRUE(p->EmExecucao()) << texto;
  }
  EscreveArquivo(flag, "DESCONECTAR\r\n");
  const auto codigo = p->Espera(12);
  ASSERT_TRUE(codigo.has_value());
  EXPECT_EQ(*codigo, 0);
  EXPECT_EQ(p->Erros(), "Aviso do Sistema: O aplicativo monitor-cte não será atualizado. A pasta " +
                            c.inst.sPastaErp + " está com o arquivo DebugarDelphi.tmp\n");
}

TEST(MonitorConsole, ErpEmMaiusculasTambemMantemOMonitor) {
  InstalacaoConsole c;
  ErpSubstituto erp(c.erp.Caminho(), "QUELVIXEMPRESA.EXE");
  auto p = c.Inicia();
  ASSERT_TRUE(p->EsperaSaida(LINHA_CONTADORES, 20, 4)) << p->Saida();
  EXPECT_TRUE(p->EmExecucao());
}

TEST(MonitorConsole, SinaisFazemOsBotoesEOMenu) {
  InstalacaoConsole c;
  ErpSubstituto erp(c.erp.Caminho(), "quelvixEmpresa4.exe");
  // The error file below is for the pass of "Reiniciar" to meet, not the folder watcher.
  auto p = c.Inicia({{"QUELVIX_MONITOR_SEM_OBSERVADOR", "1"}});
  ASSERT_TRUE(p->EsperaSaida(LINHA_CONTADORES, 20, 3));  // start, first pass, first tick
  // Late in the interval, "Reiniciar" runs a pass at once; the next tick comes a whole
  // interval after that pass, not at the time the old interval would have ended.
  std::this_thread::sleep_for(std::chrono::milliseconds(3500));
  EscreveArquivo(c.inst.Retorno(CNPJ) + "CTe1-sit.err", "x");
  p->Sinal(SIGHUP);
  ASSERT_TRUE(p->EsperaSaida("Consultas com Erro = 1\n", 4)) << p->Saida();
  const auto fimReinicio = std::chrono::steady_clock::now();
  const int linhas = Ocorrencias(p->Saida(), LINHA_CONTADORES);
  ASSERT_TRUE(p->EsperaSaida(LINHA_CONTADORES, 12, linhas + 1)) << p->Saida();
  EXPECT_GE(std::chrono::steady_clock::now() - fimReinicio, std::chrono::seconds(4));
  const int zeros = Ocorrencias(p->Saida(), "Consultas com Erro = 0\n");
  p->Sinal(SIGUSR1);  // "Zerar Valores"
  ASSERT_TRUE(p->EsperaSaida("Consultas com Erro = 0\n", 4, zeros + 1)) << p->Saida();
  p->Sinal(SIGINT);  // "&Sair"
  const auto codigo = p->Espera(5);
  ASSERT_TRUE(codigo.has_value());
  EXPECT_EQ(*codigo, 0);
  EXPECT_TRUE(fs::exists(c.inst.Erro(CNPJ) + "CTe1-sit.err"));
}

TEST(MonitorConsole, ArquivoQuebradoNaPartidaNaoImpedeOCicloNemOFim) {
  InstalacaoConsole c;
  const int32_t id = c.inst.banco->AdicionaCTe(c.iEmpresa, RespostasTeste::CHAVE_1);
  auto erp = std::make_unique<ErpSubstituto>(c.erp.Caminho(), "quelvixEmpresa.exe");
  EscreveArquivo(EventoQuebrado(c.inst), "<retEventoCTe><infEvento>");
  auto p = c.Inicia({{"QUELVIX_MONITOR_SEPARA_MS", "7000"}});
  ASSERT_TRUE(p->EsperaSaida(LINHA_CONTADORES, 20, 2)) << p->Saida() << p->Erros();
  // An answer that comes later is recorded by the running cycle.
  RespostasTeste::EscreveResposta(c.inst.Retorno(CNPJ) +
                                      RespostasTeste::NomeSituacao(RespostasTeste::CHAVE_1),
                                  RespostasTeste::Situacao("100", RespostasTeste::InfProt{}));
  const std::string nome = fs::path(EventoQuebrado(c.inst)).filename().string();
  ASSERT_TRUE(p->EsperaSaida("Arquivo " + nome + ": aguardando (XML mal formado", 15)) << p->Saida();
  ASSERT_TRUE(p->EsperaSaida("Arquivo " + nome + ": separado para Erro", 15)) << p->Saida();
  EXPECT_EQ(Ocorrencias(p->Saida(), "Arquivo " + nome), 2) << p->Saida();
  EXPECT_TRUE(fs::exists(c.inst.Erro(CNPJ) + nome));
  EXPECT_EQ(Ocorrencias(p->Erros(), "quelvix Monitor CT-e: "), 0) << p->Erros();
  // The ERP program closes: the monitor ends at the next tick.
  erp.reset();
  const auto codigo = p->Espera(12);
  ASSERT_TRUE(codigo.has_value()) << p->Saida();
  EXPECT_EQ(*codigo, 0);
  // The embedded engine opens the database for one process at a time: read it afterwards.
  EXPECT_EQ(c.inst.banco->Inteiro("select CD_ST_CTE from MOV_CTE_RET where id_cte = " +
                                  std::to_string(id)),
            100);
}

TEST(MonitorConsole, SegundaInstanciaAvisaESai) {
  InstalacaoConsole c;
  ErpSubstituto erp(c.erp.Caminho(), "quelvixEmpresa.exe");
  auto primeira = c.Inicia();
  ASSERT_TRUE(primeira->EsperaSaida(LINHA_CONTADORES, 20, 2));
  auto segunda = c.Inicia();
  const auto codigo = segunda->Espera(10);
  ASSERT_TRUE(codigo.has_value());
  EXPECT_EQ(*codigo, 1);
  EXPECT_EQ(segunda->Erros(), "Aviso do sistema: O quelvix Monitor CT-e já está em execução\n");
  EXPECT_EQ(segunda->Saida(), "");
  EXPECT_TRUE(primeira->EmExecucao());
}

TEST(MonitorConsole, SemArquivoDeInicializacaoDoServidorAvisaESai) {
  InstalacaoConsole c;
  fs::remove(c.inst.sPastaDados + "servidor.ini");
  auto p = c.Inicia();
  const auto codigo = p->Espera(10);
  ASSERT_TRUE(codigo.has_value());
  EXPECT_EQ(*codigo, 1);
  EXPECT_NE(p->Erros().find("Aviso do Sistema: Não foi encontrado o arquivo de inicialização\n"),
            std::string::npos);
}

TEST(MonitorConsole, ServidorParadoDuranteAExecucaoFinalizaOSistema) {
  if (!ServidorTeste::Atende()) {
    if (std::getenv("MONITOR_SERVIDOR_OBRIGATORIO")) FAIL() << "no Firebird server on 127.0.0.1";
    GTEST_SKIP() << "no Firebird server on 127.0.0.1";
  }
  InstalacaoConsole c(true);
  ErpSubstituto erp(c.erp.Caminho(), "quelvixEmpresa.exe");
  auto p = c.Inicia();
  ASSERT_TRUE(p->EsperaSaida(LINHA_CONTADORES, 20, 2)) << p->Erros();
  ServidorFirebird("stop");
  const auto codigo = p->Espera(20);
  ServidorFirebird("start");
  ASSERT_TRUE(codigo.has_value());
  EXPECT_EQ(*codigo, 1);
  EXPECT_NE(p->Erros().find("Aviso do Sistema: O sistema será finalizado. Erro: "),
            std::string::npos)
      << p->Erros();
}

TEST(MonitorConsole, ServidorReiniciadoComOMonitorParadoNuncaParaEmSilencio) {
  if (!ServidorTeste::Atende()) {
    if (std::getenv("MONITOR_SERVIDOR_OBRIGATORIO")) FAIL() << "no Firebird server on 127.0.0.1";
    GTEST_SKIP() << "no Firebird server on 127.0.0.1";
  }
  InstalacaoConsole c(true);
  const int32_t id = c.inst.banco->AdicionaCTe(c.iEmpresa, RespostasTeste::CHAVE_1);
  ErpSubstituto erp(c.erp.Caminho(), "quelvixEmpresa.exe");
  auto p = c.Inicia();
  ASSERT_TRUE(p->EsperaSaida(LINHA_CONTADORES, 20, 2)) << p->Erros();
  ServidorFirebird("stop");
  ServidorFirebird("start");
  const std::string situacao =
      c.inst.Retorno(CNPJ) + RespostasTeste::NomeSituacao(RespostasTeste::CHAVE_1);
  RespostasTeste::EscreveResposta(situacao,
                                  RespostasTeste::Situacao("100", RespostasTeste::InfProt{}));
  // Either the monitor reconnects and records the answer, or it says why it ends.
  for (int i = 0; i < 100 && fs::exists(situacao) && p->EmExecucao(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  if (p->EmExecucao()) {
    EXPECT_FALSE(fs::exists(situacao)) << p->Saida() << p->Erros();
    EXPECT_EQ(c.inst.banco->Inteiro("select CD_ST_CTE from MOV_CTE_RET where id_cte = " +
                                    std::to_string(id)),
              100);
  } else {
    EXPECT_NE(p->Erros().find("Aviso do Sistema: O sistema será finalizado. Erro: "),
              std::string::npos)
        << p->Erros();
  }
  EXPECT_EQ(Ocorrencias(p->Saida(), "Ciclo parado: "), 0) << p->Saida();
}

TEST(MonitorConsole, RespostaQueChegaEGravadaSemEsperarOTick) {
  namespace R = RespostasTeste;
  InstalacaoConsole c;
  ErpSubstituto erp(c.erp.Caminho(), "quelvixEmpresa.exe");
  const int32_t situacao = c.inst.banco->AdicionaCTe(c.iEmpresa, R::CHAVE_1);
  const int32_t resultado = c.inst.banco->AdicionaCTe(c.iEmpresa, R::CHAVE_2);
  const std::string CHAVE_3 = "35120612345678000199570010000099991000099995";
  const int32_t vazio = c.inst.banco->AdicionaCTe(c.iEmpresa, CHAVE_3);
  // A tick far away: only the folder's notification can bring the answers in.
  auto p = c.Inicia({{"QUELVIX_MONITOR_INTERVALO_MS", "600000"}});
  ASSERT_TRUE(p->EsperaSaida(LINHA_CONTADORES, 20, 2)) << p->Saida() << p->Erros();

  R::EscreveResposta(c.inst.Retorno(CNPJ) + R::NomeSituacao(R::CHAVE_1),
                     R::Situacao("100", R::InfProt{}));
  ASSERT_TRUE(p->EsperaSaida("CT-e Autorizados = 1 ", 20)) << p->Saida() << p->Erros();
  EXPECT_TRUE(fs::exists(c.inst.RetornoOK(CNPJ) + R::NomeSituacao(R::CHAVE_1)));

  // A processing result the transmitter writes in two steps is read once, complete.
  R::InfProt protocolo;
  protocolo.chCTe = R::CHAVE_2;
  protocolo.nProt = "135120000067890";
  const std::string conteudo = R::ResultadoLote("100", protocolo);
  const std::string arquivo = c.inst.Retorno(CNPJ) + "351000012345678-pro-rec.xml";
  EscreveArquivo(arquivo, conteudo.substr(0, conteudo.size() / 2));
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  {
    std::ofstream resto(arquivo, std::ios::app | std::ios::binary);
    resto << conteudo.substr(conteudo.size() / 2);
  }
  ASSERT_TRUE(p->EsperaSaida("CT-e Autorizados = 2 ", 20)) << p->Saida() << p->Erros();
  EXPECT_TRUE(fs::exists(c.inst.RetornoOK(CNPJ) + "351000012345678-pro-rec.xml"));
  // One created empty, its content written 0.4 s later: first seen empty, never taken for a
  // file to leave in place, and recorded once it is written.
  protocolo.chCTe = CHAVE_3;
  protocolo.nProt = "135120000067891";
  const std::string segundo = c.inst.Retorno(CNPJ) + "351000012345679-pro-rec.xml";
  EscreveArquivo(segundo, "");
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  EscreveArquivo(segundo, R::ResultadoLote("100", protocolo));
  ASSERT_TRUE(p->EsperaSaida("CT-e Autorizados = 3 ", 20)) << p->Saida() << p->Erros();
  EXPECT_TRUE(fs::is_empty(c.inst.Erro(CNPJ)));
  EXPECT_EQ(Ocorrencias(p->Saida(), "Confirmações com Erro = 1 "), 0) << p->Saida();
  EXPECT_EQ(Ocorrencias(p->Erros(), "quelvix Monitor CT-e: "), 0) << p->Erros();
  // The embedded database is the monitor's alone while it runs.
  p->Sinal(SIGINT);
  ASSERT_EQ(p->Espera(10), 0);
  EXPECT_EQ(c.Coluna("CD_ST_CTE", situacao), "100");
  EXPECT_EQ(c.Coluna("NO_PROTOCOLO_CTE", resultado), "135120000067890");
  EXPECT_EQ(c.Coluna("NO_PROTOCOLO_CTE", vazio), "135120000067891");
}

TEST(MonitorConsole, SemNotificacoesARespostaEsperaOTick) {
  namespace R = RespostasTeste;
  InstalacaoConsole c;
  ErpSubstituto erp(c.erp.Caminho(), "quelvixEmpresa.exe");
  const int32_t id = c.inst.banco->AdicionaCTe(c.iEmpresa, R::CHAVE_1);
  auto p = c.Inicia(
      {{"QUELVIX_MONITOR_INTERVALO_MS", "3000"}, {"QUELVIX_MONITOR_SEM_OBSERVADOR", "1"}});
  // Right after a timed pass: the next one is three seconds away.
  ASSERT_TRUE(p->EsperaSaida(LINHA_CONTADORES, 20, 3)) << p->Saida() << p->Erros();
  const std::string resposta = c.inst.Retorno(CNPJ) + R::NomeSituacao(R::CHAVE_1);
  R::EscreveResposta(resposta, R::Situacao("100", R::InfProt{}));
  std::this_thread::sleep_for(std::chrono::seconds(1));
  EXPECT_TRUE(fs::exists(resposta));
  ASSERT_TRUE(p->EsperaSaida("CT-e Autorizados = 1 ", 20)) << p->Saida() << p->Erros();
  EXPECT_FALSE(fs::exists(resposta));
  p->Sinal(SIGINT);
  ASSERT_EQ(p->Espera(10), 0);
  EXPECT_EQ(c.Coluna("CD_ST_CTE", id), "100");
}

TEST(MonitorConsole, ArquivoDoTransmissorSupreARespostaQueNaoVeioEOEnvioEmDuvidaEPerguntado) {
  namespace R = RespostasTeste;
  InstalacaoConsole c;
  ErpSubstituto erp(c.erp.Caminho(), "quelvixEmpresa.exe");
  const std::string arquivada = "35120611111111000111570010000001231000001230";
  const std::string emDuvida = "35120611111111000111570010000004561000004560";
  const int32_t idArquivada = c.inst.banco->AdicionaCTe(c.iEmpresa, arquivada);
  const int32_t idEmDuvida = c.inst.banco->AdicionaCTe(c.iEmpresa, emDuvida);
  // Authorised long ago, its answer deleted by the transmitter's clean-up: recorded, not
  // printed. The other's send timed out: its document lies in Erro beside the error.
  R::Autorizado documento;
  documento.chave = arquivada;
  documento.prot.chCTe = arquivada;
  documento.cnpj = CNPJ;
  const UnLocalidade::DataHora hoje = UnLocalidade::Agora();
  const std::string arquivo = c.inst.Autorizados(CNPJ) +
                              UnFuncoesCTe::AnoMes(hoje.iAno, hoje.iMes) + "/CTe" + arquivada +
                              "-procCTe.xml";
  EscreveArquivo(arquivo, R::DocumentoAutorizado(documento));
  fs::last_write_time(arquivo, fs::file_time_type::clock::now() - std::chrono::minutes(10));
  EscreveArquivo(c.inst.Erro(CNPJ) + "CTe" + emDuvida + "-cte.xml",
                 "<CTe xmlns=\"http://www.portalfiscal.inf.br/cte\"><infCte><ide><tpAmb>1</tpAmb>"
                 "</ide></infCte></CTe>");
  R::EscreveResposta(c.inst.Retorno(CNPJ) + "CTe" + emDuvida + "-pro-rec.err", "Tempo esgotado");
  auto p = c.Inicia();
  ASSERT_TRUE(p->EsperaSaida("CT-e em dúvida: 1", 20)) << p->Saida() << p->Erros();
  EXPECT_NE(p->Saida().find("autorização recuperada"), std::string::npos) << p->Saida();
  const std::string pedido =
      c.inst.sRaizCTe + CNPJ + "/Envio/CTe" + emDuvida + "-ped-sit.xml";
  ASSERT_TRUE(fs::exists(pedido));
  EXPECT_NE(LeTexto(pedido).find("<tpAmb>1</tpAmb><xServ>CONSULTAR</xServ><chCTe>" + emDuvida),
            std::string::npos);

  // The transmitter takes the request and answers it.
  fs::remove(pedido);
  R::InfProt prot;
  prot.chCTe = emDuvida;
  R::EscreveResposta(c.inst.Retorno(CNPJ) + "CTe" + emDuvida + "-sit.xml",
                     R::Situacao("100", prot));
  ASSERT_TRUE(p->EsperaSaida("CT-e em dúvida: 0", 20)) << p->Saida();
  EXPECT_FALSE(fs::exists(pedido));
  p->Sinal(SIGINT);
  ASSERT_EQ(p->Espera(10), 0);
  EXPECT_EQ(c.Coluna("CD_ST_CTE", idArquivada), "100");
  EXPECT_EQ(c.Coluna("NO_PROTOCOLO_CTE", idEmDuvida), "135120000012345");
}

TEST(MonitorConsole, PastaDadosFora7SegundosNaoEncerraEARespostaSeguinteEGravada) {
  namespace R = RespostasTeste;
  InstalacaoConsole c;
  ErpSubstituto erp(c.erp.Caminho(), "quelvixEmpresa.exe");
  const int32_t id = c.inst.banco->AdicionaCTe(c.iEmpresa, R::CHAVE_1);
  auto p = c.Inicia();
  ASSERT_TRUE(p->EsperaSaida(LINHA_CONTADORES, 20, 3)) << p->Saida() << p->Erros();
  // The share gone for a moment: the ERP's initialisation file with it.
  const std::string dados = c.inst.sPastaDados.substr(0, c.inst.sPastaDados.size() - 1);
  fs::rename(dados, dados + "-fora");
  std::this_thread::sleep_for(std::chrono::seconds(7));
  fs::rename(dados + "-fora", dados);
  R::EscreveResposta(c.inst.Retorno(CNPJ) + R::NomeSituacao(R::CHAVE_1),
                     R::Situacao("100", R::InfProt{}));
  ASSERT_TRUE(p->EsperaSaida("CT-e Autorizados = 1 ", 20)) << p->Saida() << p->Erros();
  EXPECT_TRUE(p->EmExecucao());
  EXPECT_EQ(Ocorrencias(p->Saida(), "| pasta Dados inacessível |"), 1) << p->Saida();
  ASSERT_TRUE(p->EsperaSaida("| pasta Dados acessível |", 10)) << p->Saida();
  EXPECT_EQ(p->Erros().find("Não foi encontrado"), std::string::npos) << p->Erros();
  p->Sinal(SIGINT);
  ASSERT_EQ(p->Espera(10), 0);
  EXPECT_EQ(c.Coluna("CD_ST_CTE", id), "100");
}
