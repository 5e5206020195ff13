// Real monitor-cte processes: several workstations on one folder tree, and monitors killed at
// any moment and started again.
#include <gtest/gtest.h>
#include <signal.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <set>
#include <thread>

#include "platform/UnLocalidade.h"
#include "processing/UnFuncoesCTe.h"
#include "processing/UnRegistroImpressao.h"
#include "suporte/InstalacaoTeste.h"
#include "suporte/ProcessoTeste.h"
#include "suporte/RespostasTeste.h"
#include "suporte/ServidorTeste.h"

namespace fs = std::filesystem;
using namespace RespostasTeste;
using UnFuncoesCTe::PreencheZeros;

namespace {

std::string Chave(int n) {
  return "3512061234567800019957001" + PreencheZeros(std::to_string(n), 9) + "1" +
         PreencheZeros(std::to_string(n), 8) + "0";
}

std::string MesAtual() {
  const auto hoje = UnLocalidade::Agora();
  return PreencheZeros(std::to_string(hoje.iAno), 4) + PreencheZeros(std::to_string(hoje.iMes), 2);
}

// Answers of every kind for CT-e `primeiro` to `primeiro + quantidade - 1` of a company, all
// of them taking the success route. Returns how many files were written.
int EscreveRespostas(InstalacaoTeste& inst, int32_t empresa, const std::string& cnpj,
                     int primeiro, int quantidade) {
  int arquivos = 0;
  const std::string r = inst.Retorno(cnpj);
  std::vector<std::string> chaves;
  for (int n = primeiro; n < primeiro + quantidade; ++n) chaves.push_back(Chave(n));
  inst.banco->AdicionaCTes(empresa, chaves);
  for (int n = primeiro; n < primeiro + quantidade; ++n) {
    const std::string chave = Chave(n);
    InfProt prot;
    prot.chCTe = chave;
    prot.nProt = "1351200" + PreencheZeros(std::to_string(n), 8);
    switch (n % 4) {
      case 0: {
        EscreveResposta(r + NomeNumeroLote(chave), NumeroLote(std::to_string(n)));
        InfRec rec;
        rec.nRec = "3510000" + PreencheZeros(std::to_string(n), 8);
        EscreveResposta(r + PreencheZeros(std::to_string(n), 15) + "-rec.xml", Recibo("103", rec));
        arquivos += 2;
        break;
      }
      case 1:
        EscreveResposta(r + PreencheZeros(std::to_string(n), 15) + "-pro-rec.xml",
                        ResultadoLote("100", prot));
        EscreveArquivo(inst.Autorizados(cnpj) + MesAtual() + "/CTe" + chave + "-procCTe.xml",
                       "<cteProc/>");
        ++arquivos;
        break;
      case 2:
        EscreveResposta(r + NomeSituacao(chave), Situacao("100", prot));
        ++arquivos;
        break;
      default: {
        InfEvento ev;
        ev.chCTe = chave;
        ev.nProt = "1351300" + PreencheZeros(std::to_string(n), 8);
        EscreveResposta(r + NomeEvento(chave), RetornoEvento(ev));
        ++arquivos;
      }
    }
  }
  return arquivos;
}

// The documents the printing program was started on, for the authorisations (n % 4 == 1) of
// CT-e `primeiro` to `primeiro + quantidade - 1`.
std::multiset<std::string> ImpressoesEsperadas(const InstalacaoTeste& inst, const std::string& cnpj,
                                               int primeiro, int quantidade) {
  std::multiset<std::string> r;
  for (int n = primeiro; n < primeiro + quantidade; ++n)
    if (n % 4 == 1)
      r.insert("ARQUIVO=" + inst.Autorizados(cnpj) + MesAtual() + "/CTe" + Chave(n) + "-procCTe.xml");
  return r;
}

// The log's lines that hold both texts.
int LinhasCom(const std::string& log, const std::string& a, const std::string& b) {
  int n = 0;
  for (size_t i = 0, f; (f = log.find('\n', i)) != std::string::npos; i = f + 1) {
    const std::string linha = log.substr(i, f - i);
    n += linha.find(a) != std::string::npos && linha.find(b) != std::string::npos;
  }
  return n;
}

// Every start of the printing program of an installation, once at least `quantidade` wrote.
std::multiset<std::string> Impressoes(const InstalacaoTeste& inst, size_t quantidade) {
  const std::string registro = inst.pasta / "impressoes.txt";
  const auto Le = [&] {
    std::multiset<std::string> r;
    const std::string texto = fs::exists(registro) ? LeTexto(registro) : "";
    for (size_t i = 0, f; (f = texto.find('\n', i)) != std::string::npos; i = f + 1)
      r.insert(texto.substr(i, f - i));
    return r;
  };
  for (int i = 0; i < 300 && Le().size() < quantidade; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  std::this_thread::sleep_for(std::chrono::milliseconds(500));  // and none more
  return Le();
}

struct Estacao {
  Estacao(const InstalacaoTeste& inst, const std::string& nome) : pasta(inst.pasta / nome) {
    fs::create_directories(pasta);
    fs::create_directories(sessao);
    fs::copy_file(MONITOR_CTE_BINARIO, pasta + "/monitor-cte", fs::copy_options::overwrite_existing);
    EscreveArquivo(pasta + "/quelvixempresa.ini",
                   "[IniServidor]\r\nnomearquivo=" + inst.sPastaDados + "servidor.ini\r\n");
    EscreveArquivo(pasta + "/DebugarDelphi.tmp", "");
  }
  // Every start gets its own folder for the embedded engine's shared memory: a monitor killed
  // while it held one of the engine's mutexes there would hang every later process using it.
  std::unique_ptr<ProcessoTeste> Inicia() const {
    const std::string travas = pasta + "-travas-" + std::to_string(++inicios);
    fs::create_directories(travas);
    return std::make_unique<ProcessoTeste>(
        pasta + "/monitor-cte", std::vector<std::string>{}, pasta,
        std::map<std::string, std::string>{{"XDG_RUNTIME_DIR", sessao}, {"FIREBIRD_LOCK", travas}},
        pasta);
  }
  std::string Log() const {
    std::string tudo;
    if (fs::exists(pasta + "/Log"))
      for (const auto& e : fs::directory_iterator(pasta + "/Log")) tudo += LeTexto(e.path());
    return tudo;
  }
  std::string pasta;
  std::string sessao = pasta + "-sessao";
  mutable int inicios = 0;
};

int RespostasEmRetorno(const InstalacaoTeste& inst) {
  int n = 0;
  for (const auto& e : fs::recursive_directory_iterator(inst.sRaizCTe)) {
    const std::string caminho = e.path().string();
    if (e.is_regular_file() && caminho.find("/Retorno/") != std::string::npos &&
        caminho.find("/Retorno/OK/") == std::string::npos)
      ++n;
  }
  return n;
}

bool EsperaRetornoVazio(const InstalacaoTeste& inst, double segundos) {
  const auto limite = std::chrono::steady_clock::now() + std::chrono::duration<double>(segundos);
  while (std::chrono::steady_clock::now() < limite) {
    if (RespostasEmRetorno(inst) == 0) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return false;
}

// The sum of the counters that count answer files, from the last counters line printed.
int ArquivosContados(const std::string& saida) {
  const size_t p = saida.rfind("Lotes Processados = ");
  if (p == std::string::npos) return 0;
  const std::string linha = saida.substr(p, saida.find('\n', p) - p);
  int total = 0;
  for (const char* legenda : {"Lotes Processados = ", "Confirmações Recebidas  = ",
                              "CT-e Autorizados = ", "CT-e Cancelados = "}) {
    const size_t q = linha.find(legenda);
    total += std::stoi(linha.substr(q + std::string(legenda).size()));
  }
  return total;
}

// Every answer placed: the relative paths of the tree's files, lock files left out.
std::set<std::string> Arvore(const InstalacaoTeste& inst) {
  std::set<std::string> r;
  for (const auto& e : fs::recursive_directory_iterator(inst.sRaizCTe))
    if (e.is_regular_file() && e.path().filename() != "MonitorCTe.lock")
      r.insert(fs::relative(e.path(), inst.sRaizCTe).string());
  return r;
}

// Every result column of every CT-e, as text.
std::vector<std::string> Resultados(const InstalacaoTeste& inst) {
  UnFirebird::TIBDatabase banco;
  banco.DefineNome(inst.banco->Nome());
  UnFirebird::TIBQuery q(banco);
  q.SQL = " select * from MOV_CTE_RET order by id_cte";
  q.Open();
  std::vector<std::string> linhas;
  for (size_t i = 0; i < q.QuantidadeLinhas(); ++i) {
    std::string linha;
    for (const std::string& coluna : q.Colunas()) linha += q.FieldAsString(i, coluna) + "|";
    linhas.push_back(linha);
  }
  banco.Desconecta();
  return linhas;
}

}  // namespace

TEST(Estacoes, DuasEstacoesNaMesmaArvoreMovemCadaArquivoUmaVez) {
  if (!ServidorTeste::Atende()) {
    if (std::getenv("MONITOR_SERVIDOR_OBRIGATORIO")) FAIL() << "no Firebird server on 127.0.0.1";
    GTEST_SKIP() << "no Firebird server on 127.0.0.1";
  }
  InstalacaoTeste inst(true);
  int arquivos = 0;
  std::multiset<std::string> impressoes;
  for (int e = 0; e < 4; ++e) {
    const std::string cnpj = "1111111100010" + std::to_string(e);
    const int32_t empresa = inst.banco->AdicionaEmpresa(cnpj);
    fs::create_directories(inst.RetornoOK(cnpj));
    fs::create_directories(inst.Erro(cnpj));
    arquivos += EscreveRespostas(inst, empresa, cnpj, 1 + e * 40, 40);
    impressoes.merge(ImpressoesEsperadas(inst, cnpj, 1 + e * 40, 40));
  }
  ASSERT_EQ(arquivos, 200);
  PastaTemporaria outra;
  ErpSubstituto erp(outra.Caminho(), "quelvixEmpresa.exe");
  Estacao a(inst, "estacao-a"), b(inst, "estacao-b");
  for (const Estacao* estacao : {&a, &b})
    InstalaUniDanfeSubstituto(estacao->pasta, inst.pasta / "impressoes.txt");
  auto pa = a.Inicia();
  auto pb = b.Inicia();
  ASSERT_TRUE(EsperaRetornoVazio(inst, 120)) << pa->Erros() << pb->Erros();
  ASSERT_TRUE(pa->EsperaSaida("Lotes Processados = ", 10, 2));
  ASSERT_TRUE(pb->EsperaSaida("Lotes Processados = ", 10, 2));
  std::this_thread::sleep_for(std::chrono::seconds(6));  // each one's last counters line
  pa->Sinal(SIGINT);
  pb->Sinal(SIGINT);
  ASSERT_EQ(pa->Espera(10), 0);
  ASSERT_EQ(pb->Espera(10), 0);

  EXPECT_EQ(ArquivosContados(pa->Saida()) + ArquivosContados(pb->Saida()), 200)
      << pa->Saida() << pb->Saida();
  const std::string logs = a.Log() + b.Log();
  EXPECT_EQ(Ocorrencias(logs, " | OK | "), 200);
  EXPECT_EQ(Ocorrencias(logs, " | Erro | "), 0);
  EXPECT_EQ(Ocorrencias(logs, "impressão do CT-e "), 40);  // one per authorisation
  // Each started once, by whichever workstation held its company.
  EXPECT_EQ(Impressoes(inst, impressoes.size()), impressoes);
  EXPECT_EQ(Ocorrencias(logs, "Não foi possível iniciar o programa de impressão"), 0);
  EXPECT_EQ(inst.banco->Inteiro("select count(*) from MOV_CTE_RET where NO_LOTE_CTE is not null "
                                "and cd_st_recebto_cte = 103"),
            40);
  EXPECT_EQ(inst.banco->Inteiro("select count(*) from MOV_CTE_RET where CD_ST_CTE = 100"), 80);
  EXPECT_EQ(inst.banco->Inteiro("select count(*) from MOV_CTE_RET where CD_ST_CAN_CTE = 135"), 40);
}

TEST(Estacoes, MonitorMortoAQualquerMomentoChegaAoMesmoEstado) {
  const auto Prepara = [](InstalacaoTeste& inst) {
    const std::string cnpj = "12345678000199";
    const int32_t empresa = inst.banco->AdicionaEmpresa(cnpj);
    fs::create_directories(inst.RetornoOK(cnpj));
    return EscreveRespostas(inst, empresa, cnpj, 1, 640);
  };
  PastaTemporaria outra;
  ErpSubstituto erp(outra.Caminho(), "quelvixEmpresa.exe");

  InstalacaoTeste referencia;
  ASSERT_EQ(Prepara(referencia), 800);
  Estacao r(referencia, "estacao");
  using Relogio = std::chrono::steady_clock;
  Relogio::duration inicioTrabalho{}, trabalho{};
  {
    const auto partida = Relogio::now();
    auto p = r.Inicia();
    ASSERT_TRUE(p->EsperaSaida("Lendo Arquivo: ", 30)) << p->Erros();
    inicioTrabalho = Relogio::now() - partida;
    ASSERT_TRUE(EsperaRetornoVazio(referencia, 120)) << p->Erros();
    trabalho = Relogio::now() - partida - inicioTrabalho;
    ASSERT_TRUE(p->EsperaSaida("Lotes Processados = ", 10, 2));
    p->Sinal(SIGINT);
    ASSERT_EQ(p->Espera(10), 0);
  }

  InstalacaoTeste interrompida;
  Prepara(interrompida);
  Estacao e(interrompida, "estacao");
  // Each kill falls somewhere from the start-up to a twentieth of the work into the run, so
  // twenty of them hit start-up, connection, statements and moves alike.
  std::mt19937 sorteio(20261209);
  std::uniform_int_distribution<long long> momento(
      0, std::chrono::duration_cast<std::chrono::microseconds>(inicioTrabalho + trabalho / 20).count());
  for (int interrupcao = 0; interrupcao < 20; ++interrupcao) {
    auto p = e.Inicia();
    std::this_thread::sleep_for(std::chrono::microseconds(momento(sorteio)));
    p->Sinal(SIGKILL);
    p->Espera(10);
  }
  EXPECT_GT(RespostasEmRetorno(interrompida), 0);  // the interruptions fell inside the work
  EXPECT_LT(RespostasEmRetorno(interrompida), 800);
  // The printing program is installed only now: the runs before could start none, so none of
  // their authorisations may be marked printed, and this run prints every one of them once.
  InstalaUniDanfeSubstituto(e.pasta, interrompida.pasta / "impressoes.txt");
  {
    auto p = e.Inicia();
    ASSERT_TRUE(EsperaRetornoVazio(interrompida, 120)) << p->Erros();
    ASSERT_TRUE(p->EsperaSaida("Lotes Processados = ", 10, 2));
    p->Sinal(SIGINT);
    ASSERT_EQ(p->Espera(10), 0);
  }
  EXPECT_EQ(Arvore(interrompida), Arvore(referencia));
  EXPECT_EQ(Resultados(interrompida), Resultados(referencia));
  // However the runs before ended, the printing program was started for every authorisation
  // (it is marked printed only after the start) and none was printed by two runs (a print is
  // logged only once marked, and a marked one is not printed again). No printing program runs
  // in the killed runs: one killed while starting a program can leave the embedded engine's
  // shared memory locked for every process of the machine.
  EXPECT_EQ(Impressoes(interrompida, 160),
            ImpressoesEsperadas(interrompida, "12345678000199", 1, 640));
  UnRegistroImpressao::TRegistroImpressao registro;
  registro.Carrega(interrompida.sRaizCTe + "12345678000199/");
  EXPECT_TRUE(registro.Pendentes().empty());
  const std::string logs = e.Log();
  for (int n = 1; n <= 640; n += 4) {
    EXPECT_TRUE(registro.Conhecida(Chave(n), "1351200" + PreencheZeros(std::to_string(n), 8))) << n;
    EXPECT_LE(LinhasCom(logs, "impressão do CT-e ", "CTe" + Chave(n) + "-procCTe.xml"), 1) << n;
  }
}

