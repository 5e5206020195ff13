#include "shell/UnMonitor.h"

#include <algorithm>
#include <utility>

#include "maintenance/UnDataArquivo.h"
#include "maintenance/UnEnderecoSite.h"
#include "platform/UnArquivos.h"
#include "platform/UnLocalidade.h"
#include "platform/UnMascara.h"
#include "platform/UnTrava.h"
#include "processing/UnClassesErro.h"
#include "processing/UnFuncoesCTe.h"
#include "shell/UnAjustesCiclo.h"

using UnTela::EFimMonitor;

namespace {

// Marks a pass as running for as long as it runs, also when it leaves with an error.
class MarcaPasso {
 public:
  explicit MarcaPasso(bool& marca) : marca_(marca) { marca_ = true; }
  ~MarcaPasso() { marca_ = false; }

 private:
  bool& marca_;
};

constexpr int TENTATIVAS_LISTA_PROCESSOS = 3;
constexpr int64_t DADOS_INACESSIVEIS_MS = 10LL * 60 * 1000;

std::string NomeDoProcesso(const std::string& entrada) {
  const size_t separador = entrada.find_last_of("\\/:");
  return separador == std::string::npos ? entrada : entrada.substr(separador + 1);
}

}  // namespace

TMonitorCTe::TMonitorCTe(UnTela::Tela& t)
    : tela(t),
      Esperas(UnAjustesCiclo::RetornaEsperaSeparar()),
      sCaminhoExecutavel(UnProcessos::CaminhoExecutavel()),
      sEnderecoSite(UnEnderecoSite::RetornaEnderecoSite()),
      iRetomaCicloMs(UnAjustesCiclo::RetornaEsperaRetomada()) {
  // The record of doubts is shared through the company folder: its times are the workstation's
  // time of day.
  Duvidas_.Relogio = [this] { return Hora(); };
}

TMonitorCTe::~TMonitorCTe() = default;

UnFirebird::TIBDatabase& TMonitorCTe::BancoDados() {
  // No connection object when the client library could not be loaded at start-up.
  if (!IBD_BancoDados)
    throw UnFirebird::EIBError("EIBClientError", "Não há conexão com o banco de dados.");
  return *IBD_BancoDados;
}

void TMonitorCTe::FormCreate() {
  Log.Inicia(sCaminhoExecutavel.substr(0, sCaminhoExecutavel.rfind(UnArquivos::SEPARADOR)));
  Log.Registra("início do monitor " + sCaminhoExecutavel);
  MostraOcorrenciasDoDia();
  ZeraContadores();
  MostraVersao();
  MostraContadores();
  const std::string nome = RetornaNomeBanco();
  ConectaBancoDados(nome);
  // A start-up pass that cannot run leaves the cycle stopped, retried by the ticks like any other.
  ExecutaPasso([this] { ProcessaEmpresas(); }, true);
  VerificaNovaVersao(BancoDados(), 1);
}

void TMonitorCTe::Timer1Timer() {
  if (bEncerrado || bPassoEmExecucao) return;
  tela.ProcessaMensagens();
  // A stopped cycle tries again by itself once a minute; the checks below run at every tick.
  if (bTimer1Ativo || Monotonico() - iCicloParadoEm >= iRetomaCicloMs)
    ExecutaPasso([this] { ProcessaEmpresas(); }, false);
  ReiniciaSePendente();
  VerificaContinuidade();
}

void TMonitorCTe::ReiniciaSePendente() {
  // Run from the tick or the end of a pass: nobody is at the button now, so a failure is shown
  // as the stopped cycle, never in a box.
  if (bPassoEmExecucao || !std::exchange(bReinicioPendente_, false)) return;
  Reinicia(false);
}

void TMonitorCTe::Reinicia(bool bExibeErro) {
  TrataEvento([this, bExibeErro] {
    ZeraContadores();
    MostraContadores();
    ExecutaPasso([this] { ProcessaEmpresas(); }, bExibeErro);
  });
}

void TMonitorCTe::ExecutaPasso(const std::function<void()>& passo, bool bExibeErro) {
  try {
    passo();
  } catch (const std::exception& erro) {
    const std::string mensagem = erro.what();
    Log.Registra("erro no ciclo: " + mensagem);
    UnClassesErro::ClasseErro classe = UnClassesErro::ClassificaErro(erro);
    // An error no class names ends the monitor only when the database no longer answers.
    if (classe == UnClassesErro::ClasseErro::Indefinida && IBD_BancoDados &&
        IBD_BancoDados->Conectado() && !BancoResponde())
      classe = UnClassesErro::ClasseErro::ConexaoPerdida;
    if (classe == UnClassesErro::ClasseErro::ConflitoLinha) {
      // A row held outside any file's turn: the next pass tries again.
      try {
        EncerraTransacaoPasso();
      } catch (const std::exception&) {
        IBD_BancoDados->Desconecta();
      }
      return;
    }
    if (bTimer1Ativo)
      RegistraOcorrencia(UnOcorrencias::CICLO_PARADO, mensagem, "", "", true);
    bTimer1Ativo = false;
    iCicloParadoEm = Monotonico();
    if (IBD_BancoDados) IBD_BancoDados->Desconecta();
    // Told once the window is gone: a notice open here would keep this process, and with it
    // the single-instance mark, alive until somebody came.
    if (classe == UnClassesErro::ClasseErro::ConexaoPerdida)
      Finaliza(1, "conexão perdida: " + NumaLinha(mensagem),
               "O sistema será finalizado. Erro: " + mensagem);
    tela.MostraCicloParado(mensagem);
    if (bExibeErro) MostraErroPadrao(mensagem);
  }
}

void TMonitorCTe::VerificaContinuidade() {
  // Only a process list that was read and holds no ERP program ends the monitor.
  std::optional<bool> bErp = ProcessoEmExecucao("quelvixEmpresa.exe");
  if (bErp == false) bErp = ProcessoEmExecucao("quelvixEmpresa4.exe");
  if (bErp == false) Finaliza(0, "nenhum programa do ERP em execução");
  if (!ConexaoPermitida()) Finaliza(0, "o ERP pediu DESCONECTAR");
}

void TMonitorCTe::ProcessaEmpresas() {
  if (bEncerrado || bPassoEmExecucao) return;  // one pass at a time
  MarcaPasso passo(bPassoEmExecucao);
  tela.ProcessaMensagens();
  it_sPastaRaizCTe = UnFuncoesCTe::RetornaPastaRaizCTe(BancoDados());
  {
    UnFirebird::TIBQuery qryEmpresa(BancoDados());
    it_sSql =
        " select pe.id_empresa, pe.no_cnpj_cpf from cad_pessoa pe where pe.st_emitente_cte = " +
        UnFirebird::QuotedStr("S") + " and pe.no_cnpj_cpf is not null";
    qryEmpresa.Close();
    qryEmpresa.SQL = it_sSql;
    qryEmpresa.Open();
    std::vector<TEmpresaObservada> empresas;
    for (size_t linha = 0; linha < qryEmpresa.QuantidadeLinhas(); ++linha) {
      const std::string cnpj = qryEmpresa.FieldAsString(linha, "no_cnpj_cpf");
      empresas.push_back({cnpj, UnFuncoesCTe::RetornaPastaCTe(3, it_sPastaRaizCTe, cnpj)});
      ProcessaEmpresa(cnpj, true);
    }
    sEmpresas = std::move(empresas);
  }
  bTimer1Ativo = true;
  EncerraTransacaoPasso();
  tela.MostraCicloParado("");
  MostraEspera();
}

bool TMonitorCTe::ProcessaEmpresa(const std::string& cnpj, bool bVigiaFila) {
  it_sCNPJEmpresa = cnpj;
  UnFuncoesCTe::CriaPastasCTe(it_sPastaRaizCTe, it_sCNPJEmpresa);
  // Every workstation watches the same tree: one monitor at a time in a company's folder.
  UnTrava::Trava trava;
  const std::string arquivoTrava =
      UnFuncoesCTe::RetornaPastaCTe(0, it_sPastaRaizCTe, it_sCNPJEmpresa) + "MonitorCTe.lock";
  const UnTrava::Trava::Resultado resultado = trava.Obtem(arquivoTrava);
  if (resultado == UnTrava::Trava::Resultado::Ocupada) return false;
  // Without the lock another workstation could record and print the same answers (the print
  // record is shared through it): the company waits until the lock can be had, told once.
  TEpisodio& episodio = episodiosTrava_[cnpj];
  if (resultado == UnTrava::Trava::Resultado::Impossivel) {
    if (episodio.Ocorre()) {
      Log.Registra("empresa " + cnpj + ": trava " + arquivoTrava +
                   " impossível de obter; a empresa espera até que se possa");
      RegistraOcorrencia(UnOcorrencias::EMPRESA_SEM_TRAVA,
                         "a trava da empresa não pôde ser obtida; suas respostas esperam",
                         arquivoTrava, "", true);
    }
    return false;
  }
  if (const int iVezes = episodio.Termina())
    Log.Registra("empresa " + cnpj + ": trava obtida de novo após " + std::to_string(iVezes) +
                 " tentativas");
  ProcessaPastasEmpresa(UnFuncoesCTe::RetornaPastaCTe(3, it_sPastaRaizCTe, it_sCNPJEmpresa));
  // Watched under the lock, so that of the workstations sharing the tree one tells it.
  if (bVigiaFila) VerificaTransmissor();
  return true;
}

void TMonitorCTe::ProcessaPastaAlterada(const std::string& pasta) {
  if (bEncerrado || bPassoEmExecucao || !bTimer1Ativo) return;  // the tick catches up
  const auto empresa =
      std::find_if(sEmpresas.begin(), sEmpresas.end(),
                   [&](const TEmpresaObservada& e) { return e.sPastaRetorno == pasta; });
  if (empresa == sEmpresas.end()) return;
  const std::string cnpj = empresa->sCNPJ;
  {
    MarcaPasso passo(bPassoEmExecucao);
    ExecutaPasso(
        [&] {
          ProcessaEmpresa(cnpj);
          EncerraTransacaoPasso();
          MostraEspera();
        },
        false);
  }
  ReiniciaSePendente();
}

void TMonitorCTe::MostraEspera() {
  for (const UnArquivosEmEspera::MotivoComum& comum : Esperas.AtualizaComuns()) {
    RegistraOcorrencia(UnOcorrencias::RECUSA_COMUM, UnArquivosEmEspera::TextoMotivoComum(comum),
                       "", "", comum.bInicio);
  }
  const auto maisAntiga = Esperas.MaisAntiga();
  tela.MostraEspera(Esperas.Quantidade(),
                    maisAntiga ? Monotonico() - *maisAntiga : 0,
                    Esperas.TextoComumAtual());
}

void TMonitorCTe::ProcessaPastasEmpresa(const std::string& pasta) {
  tela.ProcessaMensagens();
  struct LiberaObjetos {
    TMonitorCTe& m;
    ~LiberaObjetos() {
      m.vXMLDoc.reset();
      m.qryUpdate.reset();
      m.qryPesquisa.reset();
    }
  } libera{*this};
  vXMLDoc = std::make_unique<UnXml::XmlDocumento>();
  qryUpdate = std::make_unique<UnFirebird::TIBQuery>(BancoDados());
  qryPesquisa = std::make_unique<UnFirebird::TIBQuery>(BancoDados());

  UnXml::XmlDocumento& doc = *vXMLDoc;
  if (!Duvidas_.Carrega(UnFuncoesCTe::RetornaPastaCTe(0, it_sPastaRaizCTe, it_sCNPJEmpresa)))
    Log.Registra("empresa " + it_sCNPJEmpresa + ": registro de CT-e em dúvida ilegível");
  EsqueceAusentes(pasta);
  ProcessaNumeroLote(doc, FileListBox1, pasta);
  ProcessaProtocolo(doc, FileListBox1, pasta);
  ProcessaEvento(doc, FileListBox1, pasta);
  ProcessaSituacao(doc, FileListBox1, pasta);
  ProcessaErroRecibo(doc, FileListBox1, pasta);
  ProcessaErroSituacao(doc, FileListBox1, pasta);
  ProcessaErroProtocolo(doc, FileListBox1, pasta);
  ProcessaErroCTe(doc, FileListBox1, pasta);
  ProcessaErroLote(doc, FileListBox1, pasta);
  ProcessaErroEvento(doc, FileListBox1, pasta);
  ReconciliaEmpresa();
  PedeSituacoes();
  MostraContadores();
}

std::optional<bool> TMonitorCTe::ProcessoEmExecucao(const std::string& nome) {
  // The system may fail to take the list for a moment (processes starting or ending while it
  // is taken): it is taken again before the answer is "unknown".
  std::optional<std::vector<std::string>> processos;
  for (int i = 0; i < TENTATIVAS_LISTA_PROCESSOS && !processos; ++i) processos = ListaProcessos();
  if (!processos) {
    if (episodioListaProcessos_.Ocorre())
      Log.Registra("lista de processos ilegível após " +
                   std::to_string(TENTATIVAS_LISTA_PROCESSOS) + " tentativas; o monitor segue");
    return std::nullopt;
  }
  if (const int iVerificacoes = episodioListaProcessos_.Termina())
    Log.Registra("lista de processos legível de novo após " + std::to_string(iVerificacoes) +
                 " verificações");
  const std::string procurado = UnMascara::MaiusculasAscii(nome);
  bool encontrado = false;
  for (const std::string& entrada : *processos) {
    if (UnMascara::MaiusculasAscii(NomeDoProcesso(entrada)) == procurado ||
        UnMascara::MaiusculasAscii(entrada) == procurado)
      encontrado = true;
  }
  return encontrado;
}

bool TMonitorCTe::ConexaoPermitida() {
  const PastaDados dados = LocalizaPastaDados();
  if (!dados.sAviso.empty()) {
    DadosInacessiveis(dados.sAviso, dados.sMotivo);
    return true;
  }
  const std::string arquivo = dados.sPasta + "Conectado.txt";
  std::optional<std::string> conteudo;
  if (UnArquivos::ExistePasta(dados.sPasta) && UnArquivos::ExisteArquivo(arquivo)) {
    conteudo = UnArquivos::LeArquivo(arquivo, 4096);
    // A sharing violation while the ERP writes the flag must not end the monitor either.
    if (!conteudo) {
      DadosInacessiveis("Não foi possível acessar a pasta Dados no Servidor.",
                        "Conectado.txt ilegível");
      return true;
    }
  }
  if (const int iVerificacoes = episodioDados_.Termina()) {
    Log.Registra("pasta Dados acessível de novo após " + std::to_string(iVerificacoes) +
                 " verificações");
    RegistraOcorrencia(UnOcorrencias::DADOS_ACESSIVEIS, "pasta Dados acessível de novo", "", "",
                       false);
  }
  if (!conteudo) return true;
  const std::string linha = conteudo->substr(0, conteudo->find_first_of("\r\n"));
  return linha != "DESCONECTAR";
}

void TMonitorCTe::DadosInacessiveis(const std::string& aviso, const std::string& motivo) {
  // The share gone for a moment (a switch restarting, a VPN reconnecting) is a state the
  // passes go on through, told once; only ten minutes of it end the monitor, with its notice
  // given once the window is gone.
  if (episodioDados_.Ocorre()) {
    iDadosInacessiveisDesde_ = Monotonico();
    Log.Registra(motivo + "; o monitor segue e termina se durar " +
                 std::to_string(DADOS_INACESSIVEIS_MS / 60000) + " minutos");
    RegistraOcorrencia(UnOcorrencias::DADOS_INACESSIVEIS, aviso, "", "", true);
    return;
  }
  if (Monotonico() - iDadosInacessiveisDesde_ >= DADOS_INACESSIVEIS_MS)
    Finaliza(1, motivo + " há " + std::to_string(DADOS_INACESSIVEIS_MS / 60000) + " minutos",
             aviso);
}

void TMonitorCTe::BitBtn2Click() {
  ZeraContadores();
  MostraContadores();
}

void TMonitorCTe::BitBtn3Click() {
  if (bPassoEmExecucao) {
    bReinicioPendente_ = true;
    return;
  }
  Reinicia(true);
  ReiniciaSePendente();
}

void TMonitorCTe::Sair1Click(const std::string& motivo) {
  if (bEncerrado) return;
  bEncerrado = true;
  bTimer1Ativo = false;
  DesconectaBancoDados();
  Finaliza(0, motivo);
}

void TMonitorCTe::Finaliza(int iCodigoSaida, const std::string& motivo, const std::string& aviso,
                           bool bImediato) {
  Encerra(iCodigoSaida, motivo);
  throw EFimMonitor{iCodigoSaida, bImediato, motivo, aviso};
}

void TMonitorCTe::TrataEvento(const std::function<void()>& evento) {
  try {
    evento();
  } catch (const std::exception& erro) {
    Log.Registra(std::string("erro: ") + erro.what());
    MostraErroPadrao(erro.what());
  }
}

void TMonitorCTe::Encerra(int iCodigoSaida, const std::string& motivo) {
  if (std::exchange(bFimRegistrado_, true)) return;
  Log.Registra("fim do monitor" + (motivo.empty() ? std::string() : " (" + motivo + ")") +
               ", código " + std::to_string(iCodigoSaida));
}

void TMonitorCTe::MostraErroPadrao(const std::string& mensagem) {
  std::string texto = mensagem;
  if (!texto.empty() && static_cast<unsigned char>(texto.back()) > '.') texto += ".";
  tela.MostraNotificacao(texto, TITULO_APLICACAO, UnTela::ICONE_ERRO);
}

void TMonitorCTe::ZeraContadores() {
  iLotesProcessados = iSolicitacaoInconsistente = iPedidosGerados = iLotesErro = 0;
  iConfirmacaoRecebida = iConfirmacaoErro = iCTeAutorizada = iCTeErro = 0;
  iCTeCancelada = iConsultasCTe = iConsultasCTeErro = 0;
  tela.MostraArquivo("");
}

void TMonitorCTe::MostraContadores() {
  const std::string sep = UnLocalidade::SeparadorMilhar();
  const int32_t valores[UnTela::QUANTIDADE_CONTADORES] = {
      iLotesProcessados, iSolicitacaoInconsistente, iPedidosGerados, iLotesErro,
      iConfirmacaoRecebida, iConfirmacaoErro, iCTeAutorizada, iCTeErro,
      iCTeCancelada, iConsultasCTe, iConsultasCTeErro};
  std::array<std::string, UnTela::QUANTIDADE_CONTADORES> textos;
  for (int i = 0; i < UnTela::QUANTIDADE_CONTADORES; ++i)
    textos[i] = UnFuncoesCTe::FormataContador(valores[i], sep);
  tela.MostraContadores(textos);
}

void TMonitorCTe::MostraArquivo(const std::string& NomeArquivo) { tela.MostraArquivo(NomeArquivo); }

void TMonitorCTe::MostraVersao() {
  // The build is known by its executable's last write, minutes precision.
  std::string data = UnDataArquivo::RetornaDataArquivo(sCaminhoExecutavel);
  data = data.size() > 3 ? data.substr(0, data.size() - 3) : std::string();
  tela.MostraVersao("Versão: " + data);
}
