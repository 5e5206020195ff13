// Measures what the monitor's work costs: an idle pass, the throughput of answer files, the
// wait before processing-result files, how soon an answer is recorded and printed after it
// arrives, memory, start-up and idle CPU. Each cost is set beside its floor, the same
// unavoidable work done straight with the database client and the file system in the same
// run. Prints a table and one "BENCH" line per figure.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "TelaMedicao.h"
#include "platform/UnArquivos.h"
#include "platform/UnLocalidade.h"
#include "processing/UnReconciliacao.h"
#include "UnCenarioMedicao.h"
#include "UnChegadaMedicao.h"
#include "UnConexaoDireta.h"
#include "UnPisoDireto.h"
#include "UnProcessoMedicao.h"
#include "suporte/ProcessoTeste.h"

namespace fs = std::filesystem;
using UnCenarioMedicao::Cenario;
using UnRespostasMedicao::CTeMedicao;
using UnRespostasMedicao::TipoResposta;
using UnProcessoMedicao::ProcessoMonitor;
using UnProcessoMedicao::Relogio;

namespace {

// Answers of other documents and names no processor takes, left in one company's Retorno.
constexpr int ALHEIOS = 1500;
// A busy company's month of authorised CT-e in the transmitter's archive.
constexpr int AUTORIZADOS = 3000;

struct Opcoes {
  std::set<std::string> medicoes{"rss_ocioso", "passo", "listagem", "vazao",  "protocolo",
                                 "chegada",    "partida", "cpu",     "memoria"};
  int iPassos = 30;
  int iPassosRss = 1000;
  int iRespostas = 1000;
  int iRodadas = 3;
  int iRespostasMemoria = 10000;
  int iPartidas = 10;
  int iSegundosCpu = 60;
  int iChegadas = 50;  // answers of each kind dropped one by one
  int iRajada = 300;   // answers dropped at once
  // Forced writes are the database's default, as an ERP database has them; the throughput is
  // also measured without them, where the database's work no longer hides the monitor's.
  std::vector<bool> escritasVazao{true, false};
};

// One row of the final table; the same figure was printed as a BENCH line when measured.
struct Figura {
  std::string sMedida, sParametros, sMonitor, sPiso, sRazao, sMeta, sAtingida;
};
std::vector<Figura> gFiguras;

std::string Numero(double valor, int casas = 2) {
  std::ostringstream s;
  s.setf(std::ios::fixed);
  s.precision(casas);
  s << valor;
  return s.str();
}

// A figure without floor or goal.
Figura Valor(std::string medida, std::string parametros, std::string monitor) {
  Figura f;
  f.sMedida = std::move(medida);
  f.sParametros = std::move(parametros);
  f.sMonitor = std::move(monitor);
  return f;
}

void Registra(Figura f) {
  std::string linha = "BENCH " + f.sMedida;
  if (!f.sParametros.empty()) linha += " " + f.sParametros;
  linha += " monitor=" + f.sMonitor;
  if (!f.sPiso.empty()) linha += " floor=" + f.sPiso + " ratio=" + f.sRazao;
  if (!f.sMeta.empty()) linha += " goal=" + f.sMeta + " met=" + f.sAtingida;
  std::cout << linha << std::endl;
  gFiguras.push_back(std::move(f));
}

double Mediana(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Nearest rank.
double Percentil(std::vector<double> v, double p) {
  std::sort(v.begin(), v.end());
  const auto posicao = static_cast<size_t>(std::ceil(p / 100 * static_cast<double>(v.size())));
  return v[std::max<size_t>(posicao, 1) - 1];
}

double MedeSegundos(const std::function<void()>& trabalho) {
  const auto inicio = Relogio::now();
  trabalho();
  return std::chrono::duration<double>(Relogio::now() - inicio).count();
}

void Exige(bool condicao, const std::string& texto) {
  if (!condicao) throw std::runtime_error("check failed: " + texto);
}

int64_t RssProprioKiB() { return UnProcessoMedicao::LeStatusKiB(getpid(), "VmRSS"); }

// The monitor of the test installation, as the console program builds it (its activity log
// included), on a silent screen.
std::unique_ptr<TMonitorCTe> CriaMonitor(const InstalacaoTeste& inst, UnTela::Tela& tela) {
  auto monitor = std::make_unique<TMonitorCTe>(tela);
  monitor->sCaminhoExecutavel = inst.sExecutavel;
  monitor->Log.Inicia(inst.sPastaErp);
  monitor->sEnderecoSite = "http://127.0.0.1:9";
  monitor->Executa = [](const UnProcessos::PedidoExecucao&) { return false; };
  monitor->ConectaBancoDados(monitor->RetornaNomeBanco());
  return monitor;
}

ConexaoDireta CriaPiso(const Cenario& c) { return ConexaoDireta(c.inst.banco->Nome(), "sysdba", "tollbrisk"); }

// ---------------------------------------------------------------------------------------------

// Bytes the C heap holds in use (small blocks and mapped ones).
int64_t HeapEmUso() {
  const struct mallinfo2 info = mallinfo2();
  return static_cast<int64_t>(info.uordblks + info.hblkhd);
}

// The idle monitor's memory in this process over `--rss-passes` passes with 10 companies (the
// real program makes one every 5 s): the resident set and the heap in use after pass 10,
// pass 100 and the last pass.
void MedeRssOcioso(const Opcoes& o) {
  Cenario c(10, true);
  c.CriaPastas();
  TelaMedicao tela;
  auto m = CriaMonitor(c.inst, tela);
  std::vector<std::pair<int, std::pair<int64_t, int64_t>>> marcas;
  for (int passo = 1; passo <= o.iPassosRss; ++passo) {
    m->ProcessaEmpresas();
    if (passo == 10 || passo == 100 || passo == o.iPassosRss)
      marcas.push_back({passo, {RssProprioKiB(), HeapEmUso()}});
  }
  Exige(tela.iContadores == 10L * o.iPassosRss && m->Timer1Ativo(),
        "idle passes ran over the 10 companies");
  for (const auto& [passo, valores] : marcas)
    Registra(Valor("idle_rss_kib", "companies=10 pass=" + std::to_string(passo) +
                                       " heap_in_use_b=" + std::to_string(valores.second) +
                                       " where=in-process",
                   std::to_string(valores.first)));
  // The allocator settles during the first passes (a page at most); after that nothing grows.
  for (size_t i = 1; i < marcas.size(); ++i) {
    const auto& [de, antes] = marcas[i - 1];
    const auto& [ate, depois] = marcas[i];
    const int64_t rss = depois.first - antes.first, heap = depois.second - antes.second;
    const int64_t limite = de == 10 ? 4 : 0;
    Registra({"idle_rss_growth_kib",
              "companies=10 passes=" + std::to_string(de) + ".." + std::to_string(ate) +
                  " heap_in_use_growth_b=" + std::to_string(heap) + " where=in-process",
              std::to_string(rss), "", "", "<=" + std::to_string(limite), rss <= limite ? "yes" : "no"});
  }
}

void MedePassoOcioso(const Opcoes& o) {
  // Last: 10 companies, the first with answers the monitor leaves alone in its Retorno, or
  // with a month of authorised documents in the transmitter's archive, all recorded.
  struct Caso {
    int empresas, alheios, autorizados;
  };
  for (const Caso& caso : {Caso{1, 0, 0}, {10, 0, 0}, {100, 0, 0}, {10, ALHEIOS, 0},
                           {10, 0, AUTORIZADOS}}) {
    const auto [empresas, alheios, autorizados] = caso;
    Cenario c(empresas, true);
    c.CriaPastas();
    c.EscreveArquivosAlheios(alheios);
    if (autorizados) c.EscreveAutorizadosGravados(autorizados);
    TelaMedicao tela;
    auto m = CriaMonitor(c.inst, tela);
    ConexaoDireta piso = CriaPiso(c);
    // The archive's first round (every document looked up once) and a later one (the
    // documents settled: a listing), each on top of a pass; the passes between rounds below.
    int64_t adiante = 0;
    m->Monotonico = [&adiante] { return UnLocalidade::MonotonicoMilissegundos() + adiante; };
    const double primeiraRodada = MedeSegundos([&] { m->ProcessaEmpresas(); }) * 1000;
    adiante += UnReconciliacao::INTERVALO_MS;
    const double rodada = MedeSegundos([&] { m->ProcessaEmpresas(); }) * 1000;
    if (autorizados)
      Registra(Valor("archive_round_ms", "companies=" + std::to_string(empresas) + " archived=" +
                                             std::to_string(autorizados) + " first=" +
                                             Numero(primeiraRodada, 1) + " pass_included=yes",
                     Numero(rodada, 3)));
    m->ProcessaEmpresas();
    for (int i = 0; i < 3; ++i) UnPisoDireto::PassoOcioso(piso);
    std::vector<double> tm, tp;
    for (int i = 0; i < o.iPassos; ++i) {
      // Alternating which goes first spreads any drift of the machine over both.
      const auto monitor = [&] { tm.push_back(MedeSegundos([&] { m->ProcessaEmpresas(); })); };
      const auto chao = [&] { tp.push_back(MedeSegundos([&] { UnPisoDireto::PassoOcioso(piso); })); };
      if (i % 2) { chao(); monitor(); } else { monitor(); chao(); }
    }
    Exige(tela.iContadores == static_cast<long>(empresas) * (o.iPassos + 3) && m->Timer1Ativo() &&
              tela.iCiclosParados == 0,
          "every idle pass went over every company");
    const double msM = Mediana(tm) * 1000, msP = Mediana(tp) * 1000, razao = msM / msP;
    Registra({"idle_pass_ms", "companies=" + std::to_string(empresas) + " left_in_place=" +
                                  std::to_string(alheios) + " archived=" +
                                  std::to_string(autorizados) +
                                  " passes=" + std::to_string(o.iPassos),
              Numero(msM, 3), Numero(msP, 3), Numero(razao), "<=1.5", razao <= 1.5 ? "yes" : "no"});
  }
}

// Rows of the CT-e written by one pass over answers of `tipo`.
int64_t LinhasGravadas(const Cenario& c, TipoResposta tipo, const std::vector<CTeMedicao>& ctes) {
  const std::string faixa = " where id_cte between " + std::to_string(ctes.front().iId) + " and " +
                            std::to_string(ctes.back().iId);
  switch (tipo) {
    case TipoResposta::Situacao:
      return c.inst.banco->Inteiro("select count(*) from MOV_CTE_RET" + faixa + " and CD_ST_CTE = 100");
    case TipoResposta::Evento:
      return c.inst.banco->Inteiro("select count(*) from MOV_CTE_RET" + faixa + " and CD_ST_CAN_CTE = 135");
    case TipoResposta::NumeroLote:
      return c.inst.banco->Inteiro("select count(*) from MOV_CTE_RET" + faixa +
                                   " and NO_LOTE_CTE = id_cte - " + std::to_string(ctes.front().iId - ctes.front().iLote) +
                                   " and cd_st_recebto_cte = 103 and no_recibo_cte is not null");
  }
  return 0;
}

void MedeVazao(const Opcoes& o) {
  for (bool escritaForcada : o.escritasVazao) {
    Cenario c(1, escritaForcada);
    c.CriaPastas();
    TelaMedicao tela;
    auto m = CriaMonitor(c.inst, tela);
    ConexaoDireta piso = CriaPiso(c);
    const int n = o.iRespostas;
    const std::string escrita = escritaForcada ? "on" : "off";
    for (TipoResposta tipo : {TipoResposta::Situacao, TipoResposta::Evento, TipoResposta::NumeroLote}) {
      std::vector<double> tm, tp, tr;
      for (int rodada = 0; rodada < o.iRodadas; ++rodada) {
        const auto monitor = [&] {
          const auto ctes = c.AdicionaCTes(n);
          c.EscreveRespostas(tipo, ctes);
          const int32_t antes = m->iCTeAutorizada + m->iCTeCancelada + m->iLotesProcessados;
          const int32_t recibosAntes = m->iConfirmacaoRecebida;
          tm.push_back(MedeSegundos([&] { m->ProcessaEmpresas(); }));
          Exige(m->iCTeAutorizada + m->iCTeCancelada + m->iLotesProcessados - antes == n &&
                    m->iConfirmacaoErro == 0 && tela.iCiclosParados == 0,
                "the monitor took every answer the success way");
          Exige(tipo != TipoResposta::NumeroLote || m->iConfirmacaoRecebida - recibosAntes == n,
                "the monitor recorded every receipt");
          Exige(UnCenarioMedicao::QuantidadeArquivos(c.Retorno()) == 0, "Retorno emptied by the monitor");
          Exige(LinhasGravadas(c, tipo, ctes) == n, "the monitor wrote every row");
        };
        const auto chao = [&](bool relista, std::vector<double>& tempos) {
          const auto ctes = c.AdicionaCTes(n);
          c.EscreveRespostas(tipo, ctes);
          tempos.push_back(MedeSegundos(
              [&] { UnPisoDireto::PassoRespostas(piso, c.Retorno(), c.RetornoOK(), tipo, ctes, relista); }));
          Exige(UnCenarioMedicao::QuantidadeArquivos(c.Retorno()) == 0, "Retorno emptied by the floor");
          Exige(LinhasGravadas(c, tipo, ctes) == n, "the floor wrote every row");
        };
        // With forced writes the database's syncs dwarf the listings: no refresh floor there.
        if (rodada % 2) {
          chao(false, tp);
          if (!escritaForcada) chao(true, tr);
          monitor();
        } else {
          monitor();
          chao(false, tp);
          if (!escritaForcada) chao(true, tr);
        }
      }
      const double fpsM = n / Mediana(tm), fpsP = n / Mediana(tp);
      const std::string parametros = std::string("kind=") + UnRespostasMedicao::NomeTipo(tipo) +
                                     " forced_writes=" + escrita + " answers=" + std::to_string(n) +
                                     " rounds=" + std::to_string(o.iRodadas);
      Registra({"throughput_files_per_s", parametros, Numero(fpsM, 1), Numero(fpsP, 1),
                Numero(fpsM / fpsP), ">=0.7", fpsM / fpsP >= 0.7 ? "yes" : "no"});
      // The floor that also lists the folder again after every move, as the processors must.
      if (!tr.empty()) {
        const double fpsR = n / Mediana(tr);
        Registra({"throughput_vs_relisting_floor", parametros, Numero(fpsM, 1), Numero(fpsR, 1),
                  Numero(fpsM / fpsR), "", ""});
      }
    }
  }
}

// One refresh of a processor's list over a Retorno folder holding `--answers` answers: the
// platform's listing beside the floor's readdir, fnmatch and strcasecmp sort.
void MedeListagem(const Opcoes& o) {
  Cenario c(1, true);
  c.CriaPastas();
  c.EscreveRespostas(TipoResposta::Situacao, c.AdicionaCTes(o.iRespostas));
  const std::string pasta = c.Retorno().substr(0, c.Retorno().size() - 1);
  const std::string mascara = UnRespostasMedicao::MascaraTipo(TipoResposta::Situacao);
  std::vector<double> tm, tp;
  for (int i = 0; i < 4 * o.iPassos; ++i) {
    tm.push_back(MedeSegundos([&] {
      Exige(UnArquivos::ListaArquivos(pasta, mascara).size() == static_cast<size_t>(o.iRespostas),
            "the listing holds every answer");
    }));
    tp.push_back(MedeSegundos([&] { UnPisoDireto::ListaPasta(pasta, mascara); }));
  }
  const double msM = Mediana(tm) * 1000, msP = Mediana(tp) * 1000;
  Registra({"listing_ms", "files=" + std::to_string(o.iRespostas) + " runs=" + std::to_string(4 * o.iPassos),
            Numero(msM, 3), Numero(msP, 3), Numero(msM / msP), "", ""});
}

void MedeProtocolo(const Opcoes&) {
  Cenario c(1, true);
  c.CriaPastas();
  TelaMedicao tela;
  auto m = CriaMonitor(c.inst, tela);
  m->ProcessaEmpresas();
  const auto antigos = c.AdicionaCTes(100);
  c.EscreveResultadosLote(antigos, 60000);
  const double s = MedeSegundos([&] { m->ProcessaEmpresas(); });
  Exige(m->iCTeAutorizada == 100 && m->iConfirmacaoErro == 0 &&
            UnCenarioMedicao::QuantidadeArquivos(c.Retorno()) == 0,
        "the 100 processing-result files were authorised and moved");
  Exige(LinhasGravadas(c, TipoResposta::Situacao, antigos) == 100, "100 authorisations written");
  Registra({"processing_result_pass_s", "files=100 age_s=60", Numero(s, 3), "", "", "<5",
            s < 5 ? "yes" : "no"});
  // A file written complete a moment ago is read at once: no wait for its last write to age.
  for (int idadeMs : {0, 2000}) {
    const auto novo = c.AdicionaCTes(1);
    c.EscreveResultadosLote(novo, idadeMs);
    const double espera = MedeSegundos([&] { m->ProcessaEmpresas(); });
    Exige(UnCenarioMedicao::QuantidadeArquivos(c.Retorno()) == 0, "the fresh file was read");
    Registra({"processing_result_wait_ms", "files=1 age_ms=" + std::to_string(idadeMs),
              Numero(espera * 1000, 0), "", "", "<100", espera < 0.1 ? "yes" : "no"});
  }
}

// ---- The real program

// An ERP folder ready for monitor-cte: the program copied beside the initialisation file, the
// self-update held off, a session folder of its own for the single-instance lock.
struct ProgramaReal {
  explicit ProgramaReal(const Cenario& c) : cenario(c) {
    fs::copy_file(MONITOR_CTE_BINARIO, c.inst.sExecutavel, fs::copy_options::overwrite_existing);
    EscreveArquivo(c.inst.sPastaErp + "/DebugarDelphi.tmp", "");
    fs::create_directories(sessao);
  }
  // `ambiente` adds the cycle's settings; `pastaTrabalho` is where the program runs from.
  std::unique_ptr<ProcessoMonitor> Inicia(std::map<std::string, std::string> ambiente = {},
                                          const std::string& pastaTrabalho = "") const {
    ambiente["XDG_RUNTIME_DIR"] = sessao;
    return std::make_unique<ProcessoMonitor>(cenario.inst.sExecutavel, ambiente,
                                             cenario.inst.pasta / "erros.txt",
                                             std::vector<std::string>{}, pastaTrabalho);
  }
  const Cenario& cenario;
  std::string sessao = cenario.inst.pasta / "sessao";
};

double Milissegundos(Relogio::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

using UnChegadaMedicao::Parede;

void RegistraEspera(const std::string& medida, const std::string& parametros,
                    const std::vector<double>& ms, bool observador, double metaMediana,
                    double metaP99) {
  const double mediana = Mediana(ms), p99 = Percentil(ms, 99);
  const auto meta = [&](double valor, double alvo) -> std::pair<std::string, std::string> {
    if (!observador) return {"", ""};  // the tick alone, for comparison
    return {"<=" + Numero(alvo, 0), valor <= alvo ? "yes" : "no"};
  };
  const auto [metaM, atingidaM] = meta(mediana, metaMediana);
  Registra({medida + "_median_ms", parametros, Numero(mediana, 1), "", "", metaM, atingidaM});
  if (metaP99 > 0) {
    const auto [metaP, atingidaP] = meta(p99, metaP99);
    Registra({medida + "_p99_ms", parametros, Numero(p99, 1), "", "", metaP, atingidaP});
  } else {
    Registra(Valor(medida + "_p99_ms", parametros, Numero(p99, 1)));
  }
}

// How soon monitor-cte takes an answer in: each one written complete at a random moment of
// the cycle (up to two seconds after the one before), until it is recorded and in Retorno/OK
// (the move follows the committed change), and for an authorised processing result until the
// printing program started. With the folder watcher, and with the tick alone, each on an
// installation of 10 companies; then a burst dropped at once, to show the watcher keeps the
// rate of a pass.
void MedeChegada(const Opcoes& o) {
  std::mt19937 sorteio(20261209);
  double rajadaSemObservador = 0;
  for (bool observador : {false, true}) {
    Cenario c(10, true);
    c.CriaPastas();
    ProgramaReal programa(c);
    const std::string pastaMonitor = c.inst.pasta / "trabalho";
    const std::string registro = c.inst.pasta / "impressoes.txt";
    UnChegadaMedicao::InstalaImpressora(pastaMonitor, registro);
    PastaTemporaria pastaErp;
    ErpSubstituto erp(pastaErp.Caminho(), "quelvixEmpresa.exe");
    const auto situacoes = c.AdicionaCTes(o.iChegadas);
    const auto resultados = c.AdicionaCTes(o.iChegadas);
    std::vector<std::vector<CTeMedicao>> rajadas;
    for (int rodada = 0; rodada < o.iRodadas; ++rodada) rajadas.push_back(c.AdicionaCTes(o.iRajada));
    for (const CTeMedicao& cte : resultados)
      EscreveArquivo(c.DocumentoAutorizado(cte), "<cteProc/>");
    UnChegadaMedicao::RegistroChegadas ok(c.RetornoOK().substr(0, c.RetornoOK().size() - 1));
    std::map<std::string, std::string> ambiente;
    if (!observador) ambiente["QUELVIX_MONITOR_SEM_OBSERVADOR"] = "1";
    auto p = programa.Inicia(ambiente, pastaMonitor);
    Exige(p->EsperaContadores(1 + static_cast<int>(c.sCnpjs.size()), std::chrono::seconds(30),
                              nullptr),
          "monitor-cte ended its first pass");
    const std::string modo = std::string("watcher=") + (observador ? "on" : "off");

    for (bool resultado : {false, true}) {
      const auto& ctes = resultado ? resultados : situacoes;
      std::vector<std::pair<std::string, Parede::time_point>> escritas;
      for (const CTeMedicao& cte : ctes) {
        std::this_thread::sleep_for(
            std::chrono::milliseconds(std::uniform_int_distribution<int>(0, 2000)(sorteio)));
        const std::string nome =
            resultado ? UnRespostasMedicao::NomeResultadoLote(cte)
                      : UnRespostasMedicao::NomeResposta(TipoResposta::Situacao, cte);
        const std::string conteudo = resultado ? UnCenarioMedicao::ConteudoResultadoLote(cte)
                                               : UnCenarioMedicao::ConteudoSituacao(cte);
        escritas.push_back({nome, UnChegadaMedicao::EscreveResposta(c.Retorno() + nome, conteudo)});
      }
      std::vector<double> gravadas, impressas;
      for (size_t i = 0; i < escritas.size(); ++i) {
        const auto& [nome, escrita] = escritas[i];
        const auto chegada = ok.Espera(nome, std::chrono::seconds(60));
        Exige(chegada.has_value(), "monitor-cte recorded " + nome);
        gravadas.push_back(Milissegundos(*chegada - escrita));
        if (!resultado) continue;
        std::optional<Parede::time_point> impressao;
        for (int tentativa = 0; tentativa < 500 && !impressao; ++tentativa) {
          impressao = UnChegadaMedicao::InicioImpressao(registro, ctes[i].sChave);
          if (!impressao) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        Exige(impressao.has_value(), "monitor-cte started the printing program for " + nome);
        impressas.push_back(Milissegundos(*impressao - escrita));
      }
      const std::string parametros =
          std::string("kind=") + (resultado ? "processing_result" : "situacao") +
          " companies=10 answers=" + std::to_string(ctes.size()) + " " + modo;
      RegistraEspera("answer_to_recorded", parametros, gravadas, observador, 300, 1000);
      if (resultado)
        RegistraEspera("answer_to_printing", parametros, impressas, observador, 500, 0);
    }

    // The bursts: written beside Retorno, then renamed in at once.
    const std::string espera = c.inst.pasta / "rajada";
    fs::create_directories(espera);
    std::vector<double> porSegundo;
    for (const auto& rajada : rajadas) {
      std::vector<std::string> nomes;
      for (const CTeMedicao& cte : rajada) {
        nomes.push_back(UnRespostasMedicao::NomeResposta(TipoResposta::Situacao, cte));
        UnChegadaMedicao::EscreveResposta(espera + "/" + nomes.back(),
                                          UnCenarioMedicao::ConteudoSituacao(cte));
      }
      for (const std::string& nome : nomes) fs::rename(espera + "/" + nome, c.Retorno() + nome);
      Parede::time_point primeira = Parede::time_point::max(), ultima = Parede::time_point::min();
      for (const std::string& nome : nomes) {
        const auto chegada = ok.Espera(nome, std::chrono::seconds(120));
        Exige(chegada.has_value(), "monitor-cte recorded the burst's " + nome);
        primeira = std::min(primeira, *chegada);
        ultima = std::max(ultima, *chegada);
      }
      // From the first answer recorded to the last: the pass's rate, whenever the pass began.
      const double segundos = std::chrono::duration<double>(ultima - primeira).count();
      porSegundo.push_back(static_cast<double>(nomes.size() - 1) / std::max(1e-3, segundos));
    }
    const double mediana = Mediana(porSegundo);
    const std::string parametros = "kind=situacao companies=10 answers=" + std::to_string(o.iRajada) +
                                   " rounds=" + std::to_string(o.iRodadas) + " " + modo;
    if (observador) {
      // In the floor's column: the same bursts taken by the tick alone.
      const double razao = mediana / rajadaSemObservador;
      Registra({"burst_files_per_s", parametros, Numero(mediana, 1), Numero(rajadaSemObservador, 1),
                Numero(razao), ">=0.9", razao >= 0.9 ? "yes" : "no"});
    } else {
      rajadaSemObservador = mediana;
      Registra(Valor("burst_files_per_s", parametros, Numero(mediana, 1)));
    }

    p->Encerra();
    Exige(LinhasGravadas(c, TipoResposta::Situacao, situacoes) == o.iChegadas &&
              LinhasGravadas(c, TipoResposta::Situacao, resultados) == o.iChegadas &&
              std::all_of(rajadas.begin(), rajadas.end(),
                          [&](const auto& r) {
                            return LinhasGravadas(c, TipoResposta::Situacao, r) == o.iRajada;
                          }),
          "every answer's authorisation was written");
  }
}

void MedePartida(const Opcoes& o) {
  Cenario c(1, true);
  c.CriaPastas();
  ProgramaReal programa(c);
  std::vector<double> primeiraLinha, fimPasso, pisoPasso;
  for (int i = 0; i < o.iPartidas; ++i) {
    auto p = programa.Inicia();
    Relogio::time_point t1, t2;
    // Start-up shows the zeroed counters before it connects; the company's line ends the pass.
    Exige(p->EsperaContadores(1, std::chrono::seconds(30), &t1) &&
              p->EsperaContadores(2, std::chrono::seconds(30), &t2),
          "monitor-cte ended its first pass");
    primeiraLinha.push_back(Milissegundos(t1 - p->Inicio()));
    fimPasso.push_back(Milissegundos(t2 - p->Inicio()));
    p->Encerra();
    // The floor: a process that attaches the same way and makes one idle pass.
    ProcessoMonitor piso(MEDICAO_PISO_PROCESSO, {}, c.inst.pasta / "erros-piso.txt", {c.inst.banco->Nome()});
    Exige(piso.EsperaFim() == 0, "the floor process made its pass");
    pisoPasso.push_back(Milissegundos(piso.MomentoUltimaLinha() - piso.Inicio()));
  }
  Registra(Valor("startup_ms", "to=first_counters_line runs=" + std::to_string(o.iPartidas),
                 Numero(Mediana(primeiraLinha), 1)));
  const double msM = Mediana(fimPasso), msP = Mediana(pisoPasso);
  Registra({"startup_ms", "to=end_of_first_pass companies=1 runs=" + std::to_string(o.iPartidas),
            Numero(msM, 1), Numero(msP, 1), Numero(msM / msP), "", ""});
}

void MedeCpuCom(const Opcoes& o, int alheios, int autorizados) {
  Cenario c(10, true);
  c.CriaPastas();
  c.EscreveArquivosAlheios(alheios);
  if (autorizados) c.EscreveAutorizadosGravados(autorizados);
  ProgramaReal programa(c);
  PastaTemporaria pastaErp;
  ErpSubstituto erp(pastaErp.Caminho(), "quelvixEmpresa.exe");
  auto p = programa.Inicia();
  const int linhasPorPasso = static_cast<int>(c.sCnpjs.size());
  Exige(p->EsperaContadores(1 + linhasPorPasso, std::chrono::seconds(30), nullptr),
        "monitor-cte ended its first pass");
  const double cpu0 = UnProcessoMedicao::TempoCpu(p->Pid());
  const auto t0 = Relogio::now();
  // With an archive, long enough to hold one of its rounds as well.
  const int segundos = autorizados ? std::max(o.iSegundosCpu, 200) : o.iSegundosCpu;
  std::this_thread::sleep_for(std::chrono::seconds(segundos));
  const double cpu1 = UnProcessoMedicao::TempoCpu(p->Pid());
  const double decorrido = std::chrono::duration<double>(Relogio::now() - t0).count();
  const int passos = (p->LinhasContadores() - 1) / linhasPorPasso;
  const int64_t rss = UnProcessoMedicao::LeStatusKiB(p->Pid(), "VmRSS");
  Exige(passos >= 1 + segundos / 5 - 1, "monitor-cte kept its 5 s cycle");
  const double porcento = (cpu1 - cpu0) / decorrido * 100;
  Registra({"idle_cpu_percent", "companies=10 left_in_place=" + std::to_string(alheios) +
                                    " archived=" + std::to_string(autorizados) +
                                    " watcher=on seconds=" + std::to_string(segundos) +
                                    " passes=" + std::to_string(passos) + " cpu_s=" + Numero(cpu1 - cpu0, 2),
            Numero(porcento, 3), "", "", "<0.5", porcento < 0.5 ? "yes" : "no"});
  Registra(Valor("idle_rss_kib", "companies=10 pass=" + std::to_string(passos) + " where=monitor-cte",
            std::to_string(rss)));
}

void MedeCpu(const Opcoes& o) {
  MedeCpuCom(o, 0, 0);
  MedeCpuCom(o, ALHEIOS, 0);
  MedeCpuCom(o, 0, AUTORIZADOS);
}

bool ServidorDisponivel() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in endereco{};
  endereco.sin_family = AF_INET;
  endereco.sin_port = htons(3050);
  endereco.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool conectou = connect(fd, reinterpret_cast<sockaddr*>(&endereco), sizeof endereco) == 0;
  close(fd);
  return conectou;
}

// Writes one answer per CT-e, the three kinds in turn.
int EscreveRespostasMistas(const Cenario& c, const std::vector<CTeMedicao>& ctes) {
  std::vector<CTeMedicao> porTipo[3];
  for (size_t i = 0; i < ctes.size(); ++i) porTipo[i % 3].push_back(ctes[i]);
  c.EscreveRespostas(TipoResposta::Situacao, porTipo[0]);
  c.EscreveRespostas(TipoResposta::Evento, porTipo[1]);
  c.EscreveRespostas(TipoResposta::NumeroLote, porTipo[2]);
  return UnCenarioMedicao::QuantidadeArquivos(c.Retorno());
}

// The peak resident set of monitor-cte over one pass that takes every answer, and beside it
// that of the memory floor doing the same statements and moves for a second set of answers.
// Forced writes are off: they change how long the run takes, not what the process holds.
void MedeMemoria(const Opcoes& o) {
  for (bool servidor : {false, true}) {
    const std::string banco = servidor ? "server" : "embedded";
    if (servidor && !ServidorDisponivel()) {
      std::cout << "BENCH peak_rss_mib database=server skipped: no Firebird server on 127.0.0.1:3050"
                << std::endl;
      continue;
    }
    Cenario c(1, false, servidor);
    c.CriaPastas();
    const int arquivos = EscreveRespostasMistas(c, c.AdicionaCTes(o.iRespostasMemoria));
    ProgramaReal programa(c);
    PastaTemporaria pastaErp;
    ErpSubstituto erp(pastaErp.Caminho(), "quelvixEmpresa.exe");
    auto p = programa.Inicia();
    // The start-up pass takes every answer; its counters line comes when Retorno is empty.
    Relogio::time_point fim;
    Exige(p->EsperaContadores(2, std::chrono::minutes(30), &fim), "monitor-cte ended the pass");
    const int64_t pico = UnProcessoMedicao::LeStatusKiB(p->Pid(), "VmHWM");
    const double segundos = std::chrono::duration<double>(fim - p->Inicio()).count();
    p->Encerra();
    Exige(UnCenarioMedicao::QuantidadeArquivos(c.Retorno()) == 0 &&
              UnCenarioMedicao::QuantidadeArquivos(c.RetornoOK()) == arquivos,
          "monitor-cte moved every answer to Retorno/OK");

    Exige(EscreveRespostasMistas(c, c.AdicionaCTes(o.iRespostasMemoria)) == arquivos,
          "the floor's answers written");
    ProcessoMonitor piso(MEDICAO_PISO_PROCESSO, {}, c.inst.pasta / "erros-piso.txt",
                         {c.inst.banco->Nome(), c.Retorno(), c.RetornoOK()});
    Exige(piso.EsperaFim() == 0 && UnCenarioMedicao::QuantidadeArquivos(c.Retorno()) == 0,
          "the memory floor took every answer");
    const std::string linha = piso.UltimaLinha();
    Exige(linha.rfind("VmHWM_kB ", 0) == 0, "the memory floor reported its peak");
    const int64_t picoPiso = std::stoll(linha.substr(9));

    const double mib = static_cast<double>(pico) / 1024, mibPiso = static_cast<double>(picoPiso) / 1024;
    const std::string parametros = "database=" + banco + " answers=" + std::to_string(o.iRespostasMemoria) +
                                   " files=" + std::to_string(arquivos) + " forced_writes=off";
    Registra({"peak_rss_mib", parametros, Numero(mib, 1), Numero(mibPiso, 1), Numero(mib / mibPiso),
              "<=1.25", mib / mibPiso <= 1.25 ? "yes" : "no"});
    Registra(Valor("large_pass_files_per_s", parametros + " seconds=" + Numero(segundos, 1),
                   Numero(arquivos / segundos, 1)));
  }
}

void MostraTabela() {
  std::vector<std::vector<std::string>> linhas{
      {"figure", "parameters", "monitor", "floor", "ratio", "goal", "met"}};
  for (const Figura& f : gFiguras)
    linhas.push_back({f.sMedida, f.sParametros, f.sMonitor, f.sPiso, f.sRazao, f.sMeta, f.sAtingida});
  std::vector<size_t> largura(linhas.front().size(), 0);
  for (const auto& l : linhas)
    for (size_t i = 0; i < l.size(); ++i) largura[i] = std::max(largura[i], l[i].size());
  std::cout << "\n";
  for (size_t j = 0; j < linhas.size(); ++j) {
    std::string texto = "|";
    for (size_t i = 0; i < linhas[j].size(); ++i)
      texto += " " + linhas[j][i] + std::string(largura[i] - linhas[j][i].size(), ' ') + " |";
    std::cout << texto << "\n";
    if (j == 0) {
      std::string traco = "|";
      for (size_t w : largura) traco += std::string(w + 2, '-') + "|";
      std::cout << traco << "\n";
    }
  }
  std::cout << std::flush;
}

int Inteiro(const std::string& valor) { return std::stoi(valor); }

Opcoes LeOpcoes(int argc, char** argv) {
  Opcoes o;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const size_t igual = a.find('=');
    const std::string nome = a.substr(0, igual), valor = igual == std::string::npos ? "" : a.substr(igual + 1);
    if (nome == "--only") {
      o.medicoes.clear();
      std::istringstream s(valor);
      for (std::string m; std::getline(s, m, ',');) o.medicoes.insert(m);
    } else if (nome == "--rss-passes") {
      o.iPassosRss = std::max(100, Inteiro(valor));
    } else if (nome == "--passes") {
      o.iPassos = Inteiro(valor);
    } else if (nome == "--answers") {
      o.iRespostas = Inteiro(valor);
    } else if (nome == "--rounds") {
      o.iRodadas = Inteiro(valor);
    } else if (nome == "--memory-answers") {
      o.iRespostasMemoria = Inteiro(valor);
    } else if (nome == "--starts") {
      o.iPartidas = Inteiro(valor);
    } else if (nome == "--cpu-seconds") {
      o.iSegundosCpu = Inteiro(valor);
    } else if (nome == "--arrivals") {
      o.iChegadas = std::max(1, Inteiro(valor));
    } else if (nome == "--burst") {
      o.iRajada = std::max(2, Inteiro(valor));
    } else if (nome == "--throughput-writes") {
      o.escritasVazao.clear();
      std::istringstream s(valor);
      for (std::string m; std::getline(s, m, ',');) {
        if (m != "on" && m != "off") throw std::runtime_error("--throughput-writes takes on,off");
        o.escritasVazao.push_back(m == "on");
      }
    } else {
      throw std::runtime_error(
          "usage: medicao_monitor [--only=rss_ocioso,passo,listagem,vazao,protocolo,chegada,partida,cpu,memoria]"
          " [--passes=30] [--rss-passes=1000] [--answers=1000] [--rounds=3] [--memory-answers=10000] [--starts=10]"
          " [--cpu-seconds=60] [--throughput-writes=on,off] [--arrivals=50] [--burst=300]");
    }
  }
  return o;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const Opcoes o = LeOpcoes(argc, argv);
    const std::pair<const char*, void (*)(const Opcoes&)> medicoes[] = {
        {"rss_ocioso", MedeRssOcioso}, {"passo", MedePassoOcioso}, {"listagem", MedeListagem},
        {"vazao", MedeVazao},
        {"protocolo", MedeProtocolo},  {"chegada", MedeChegada},   {"partida", MedePartida},
        {"cpu", MedeCpu},
        {"memoria", MedeMemoria}};
    for (const auto& [nome, mede] : medicoes)
      if (o.medicoes.count(nome)) mede(o);
    MostraTabela();
    return 0;
  } catch (const UnTela::EFimMonitor& fim) {
    std::cerr << "the monitor ended (code " << fim.iCodigoSaida << ")" << std::endl;
  } catch (const std::exception& erro) {
    std::cerr << erro.what() << std::endl;
  }
  return 1;
}
