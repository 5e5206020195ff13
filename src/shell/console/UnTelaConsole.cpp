#include "shell/console/UnTelaConsole.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <iostream>
#include <string>
#include <utility>

#include "dialogs/console/UnMensagemConfirmarGenerica.h"
#include "shell/UnMonitor.h"

namespace {

std::atomic<bool> gSair{false}, gReiniciar{false}, gZerar{false};
int gTubo[2] = {-1, -1};

void AoReceberSinal(int sinal) {
  if (sinal == SIGINT || sinal == SIGTERM) gSair = true;
  if (sinal == SIGHUP) gReiniciar = true;
  if (sinal == SIGUSR1) gZerar = true;
  const char c = 1;
  [[maybe_unused]] ssize_t n = write(gTubo[1], &c, 1);
}

const char* const LEGENDAS[UnTela::QUANTIDADE_CONTADORES] = {
    "Lotes Processados =",       "Solicitações Inconsistentes =", "Pedidos Gerados =",
    "Lotes com o Erro =",        "Confirmações Recebidas  =",     "Confirmações com Erro =",
    "CT-e Autorizados =",        "CT-e com Erro =",               "CT-e Cancelados =",
    "Consultas do CT-e =",       "Consultas com Erro ="};

// A lone carriage return separates lines in the Windows notices; a terminal needs a line feed.
std::string LinhasDoTerminal(const std::string& texto) {
  std::string s;
  for (size_t i = 0; i < texto.size(); ++i) {
    if (texto[i] == '\r') {
      if (i + 1 < texto.size() && texto[i + 1] == '\n') continue;
      s += '\n';
    } else {
      s += texto[i];
    }
  }
  return s;
}

}  // namespace

void TTelaConsole::InstalaSinais() {
  if (pipe(gTubo) == 0) {
    for (int fd : gTubo) {
      fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
      fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
  }
  struct sigaction acao {};
  acao.sa_handler = AoReceberSinal;
  sigemptyset(&acao.sa_mask);
  for (int sinal : {SIGINT, SIGTERM, SIGHUP, SIGUSR1}) sigaction(sinal, &acao, nullptr);
  signal(SIGPIPE, SIG_IGN);
}

bool TTelaConsole::EsperaSinal(int milissegundos, int descritor) {
  pollfd p[2] = {{gTubo[0], POLLIN, 0}, {descritor, POLLIN, 0}};
  const int r = poll(p, descritor >= 0 ? 2 : 1, milissegundos);
  if (r <= 0) return false;
  char buffer[64];
  while (read(gTubo[0], buffer, sizeof buffer) > 0) {
  }
  return true;
}

void TTelaConsole::MostraVersao(const std::string& texto) {
  std::cout << TITULO_APLICACAO << " " << texto << std::endl;
}

void TTelaConsole::MostraArquivo(const std::string& nome) {
  if (!nome.empty()) std::cout << "Lendo Arquivo: " << nome << std::endl;
}

void TTelaConsole::MostraContadores(
    const std::array<std::string, UnTela::QUANTIDADE_CONTADORES>& v) {
  std::string linha;
  for (int i = 0; i < UnTela::QUANTIDADE_CONTADORES; ++i) {
    if (i > 0) linha += " | ";
    linha += std::string(LEGENDAS[i]) + " " + v[i];
  }
  std::cout << linha << std::endl;
}

// A terminal has no window to leave open: the question is asked at once, and without a
// terminal to answer it the answer is no.
void TTelaConsole::PerguntaSemEspera(const std::string& texto, const std::string&,
                                     std::function<void()> seSim) {
  if (!isatty(STDIN_FILENO)) {
    std::cout << texto << " (não)" << std::endl;
    return;
  }
  std::cout << texto << " [s/N] " << std::flush;
  std::string resposta;
  if (!std::getline(std::cin, resposta)) return;
  if (!resposta.empty() && (resposta[0] == 's' || resposta[0] == 'S')) seSim();
}

void TTelaConsole::MostraNotificacao(const std::string& texto, const std::string& titulo,
                                     unsigned) {
  std::cerr << titulo << ": " << LinhasDoTerminal(texto) << std::endl;
}

void TTelaConsole::MostraAviso(const std::string& texto, bool confirmacao, bool fechaAutomatico) {
  UnMensagemConfirmarGenerica::MostraAviso(texto, confirmacao, fechaAutomatico);
}

void TTelaConsole::ProcessaMensagens() {
  if (!monitor_) return;
  if (gSair.exchange(false)) monitor_->Sair1Click();
  if (gZerar.exchange(false)) monitor_->BitBtn2Click();
  if (gReiniciar.exchange(false)) {
    monitor_->BitBtn3Click();
    bReiniciado_ = true;
  }
}

bool TTelaConsole::ConsomeReinicio() { return std::exchange(bReiniciado_, false); }

void TTelaConsole::MostraCicloParado(const std::string& mensagem) {
  if (!mensagem.empty()) std::cout << "Ciclo parado: " << LinhasDoTerminal(mensagem) << std::endl;
}

void TTelaConsole::MostraDuvidas(size_t quantidade) {
  if (quantidade == iDuvidas_) return;
  iDuvidas_ = quantidade;
  std::cout << "CT-e em dúvida: " << quantidade << std::endl;
}

void TTelaConsole::MostraOcorrencia(const UnOcorrencias::Ocorrencia& o, bool bAnterior) {
  if (bAnterior) return;
  std::cout << "Ocorrência " << o.sHora << " | empresa " << o.sEmpresa << " | CT-e "
            << (o.sCTe.empty() ? "-" : o.sCTe) << " | " << o.sOQue
            << (o.sDetalhe.empty() ? "" : " | " + LinhasDoTerminal(o.sDetalhe)) << " | "
            << o.sArquivo << std::endl;
}

void TTelaConsole::MostraSituacaoArquivo(const std::string& linha) {
  std::cout << "Arquivo " << LinhasDoTerminal(linha) << std::endl;
}
