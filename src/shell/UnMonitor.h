#pragma once
// The object that owns the monitor's state for the run: connection, counters, the per-pass
// fields, and the cycle and processors that work on them.
#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "database/UnFirebird.h"
#include "platform/UnLocalidade.h"
#include "platform/UnProcessos.h"
#include "platform/UnXml.h"
#include "processing/UnArquivosEmEspera.h"
#include "processing/UnArquivosMantidos.h"
#include "processing/UnFalhasImpressao.h"
#include "processing/UnFilaTransmissor.h"
#include "processing/UnListaArquivos.h"
#include "processing/UnLeituraAutorizados.h"
#include "processing/UnReconciliacao.h"
#include "processing/UnRegistroDuvidas.h"
#include "processing/UnRegistroImpressao.h"
#include "shell/UnEpisodio.h"
#include "shell/UnLog.h"
#include "shell/UnTela.h"

inline constexpr const char* TITULO_APLICACAO = "quelvix Monitor CT-e";
inline constexpr const char* AVISO_DO_SISTEMA = "Aviso do Sistema";

// An issuing company of the last pass and its Retorno folder, for the folder watcher.
struct TEmpresaObservada {
  std::string sCNPJ;
  std::string sPastaRetorno;
};

// Module values of the self-update, set when the connection opens.
struct TValoresAtualizacao {
  std::string NomeExecutavel;
  std::string PastaExecutavel;           // no trailing separator
  std::string PastaAtualizacao;          // no trailing separator
  std::string PastaExecutavelParametro;  // blanks as "§"
  std::string PastaAtualizacaoParametro;
  std::string VersaoERP;
  std::string ScriptRodado;
};

class TMonitorCTe {
 public:
  explicit TMonitorCTe(UnTela::Tela& tela);
  ~TMonitorCTe();

  // ---- Start-up, cycle and ending
  void FormCreate();
  void Timer1Timer();
  void ProcessaEmpresas();
  void ProcessaPastasEmpresa(const std::string& pasta);
  // One company's folder pass under the company lock, with the watch of its transmitter's
  // queue at a timed pass (`bVigiaFila`); false when the lock was not had and the company was
  // left to the workstation that holds it.
  bool ProcessaEmpresa(const std::string& cnpj, bool bVigiaFila = false);
  // A change seen in a company's Retorno folder: that company's folder pass alone, at once.
  // Nothing runs while a pass runs or the cycle is stopped; the next tick catches up.
  void ProcessaPastaAlterada(const std::string& pasta);
  // The companies of the last pass: the folders to watch.
  const std::vector<TEmpresaObservada>& EmpresasObservadas() const { return sEmpresas; }
  // Empty when the process list could not be read: that says nothing about the ERP.
  std::optional<bool> ProcessoEmExecucao(const std::string& nome);
  bool ConexaoPermitida();
  // Runs a pass: an error that leaves it ends the monitor when the connection is lost, leaves
  // the cycle stopped (shown, retried by the ticks; with `bExibeErro` also on the standard
  // error display) when the pass cannot run, and is let pass when a row is held.
  void ExecutaPasso(const std::function<void()>& passo, bool bExibeErro);
  // After every tick: ends the monitor when no ERP program runs or the ERP asks to disconnect.
  void VerificaContinuidade();
  // Buttons and menu, as the shells call them; errors go to the standard error display.
  void BitBtn2Click();  // "Zerar Valores"
  // "Reiniciar"; pressed while a pass runs, it runs right after that pass.
  void BitBtn3Click();
  // "&Sair", and every other ending a person or the system asks for (the session's end, a
  // close from outside): disconnects and ends the monitor (raises EFimMonitor).
  void Sair1Click(const std::string& motivo = "&Sair");
  // Runs an event handler: an error that escapes it goes to the standard error display.
  void TrataEvento(const std::function<void()>& evento);
  void MostraErroPadrao(const std::string& mensagem);
  // Ends the monitor: logs why and with which code, then raises EFimMonitor.
  [[noreturn]] void Finaliza(int iCodigoSaida, const std::string& motivo,
                             const std::string& aviso = "", bool bImediato = false);
  // The ending in the activity log, once whichever side tells it first.
  void Encerra(int iCodigoSaida, const std::string& motivo);
  bool Timer1Ativo() const { return bTimer1Ativo; }
  bool PassoEmExecucao() const { return bPassoEmExecucao; }

  // ---- Window content
  void ZeraContadores();
  void MostraContadores();
  void MostraVersao();
  void MostraArquivo(const std::string& NomeArquivo);

  // ---- Database
  std::string RetornaNomeBanco();
  void ConectaBancoDados(const std::string& nome);
  void DesconectaBancoDados();
  // The ERP's data folder from its initialisation files: at start-up a wrong installation
  // ends the monitor with its notice.
  std::string RetornaPastaDados();
  // The same without ending: an empty folder with the notice and the log's reason when the
  // installation does not say or cannot be reached now.
  struct PastaDados {
    std::string sPasta;
    std::string sAviso;
    std::string sMotivo;
  };
  PastaDados LocalizaPastaDados();
  // The connection object; an error when the client library could not be loaded.
  UnFirebird::TIBDatabase& BancoDados();
  // Ends the pass's transaction with a hard commit, so the database's snapshot moves on.
  void EncerraTransacaoPasso();

  // ---- Processing
  void MostraArquivoErro(const std::string& caminho);
  void ProcessaNumeroLote(UnXml::XmlDocumento& doc, TFileListBox& lista, const std::string& pasta);
  void GravaNumeroLote(int32_t id, int32_t lote);
  // The receipt of a lot, as a file of its own: one that fails or is not there yet waits
  // without holding its lot (false), and is looked for by its name at later passes.
  bool TentaRecibo(UnXml::XmlDocumento& doc, TFileListBox& lista, const std::string& pasta,
                   const std::string& lote);
  // False when the receipt is not there, or not yet readable as an answer.
  bool ProcessaRecibo(UnXml::XmlDocumento& doc, TFileListBox& lista, const std::string& pasta,
                      const std::string& lote);
  // The receipts of Retorno without their lot file, each with the CT-e of its lot number.
  void ProcessaRecibosSoltos(UnXml::XmlDocumento& doc, TFileListBox& lista,
                             const std::string& pasta);
  void ProcessaProtocolo(UnXml::XmlDocumento& doc, TFileListBox& lista, const std::string& pasta);
  void ProcessaEvento(UnXml::XmlDocumento& doc, TFileListBox& lista, const std::string& pasta);
  void ProcessaSituacao(UnXml::XmlDocumento& doc, TFileListBox& lista, const std::string& pasta);
  void ProcessaErroRecibo(UnXml::XmlDocumento& doc, TFileListBox& lista, const std::string& pasta);
  void ProcessaErroSituacao(UnXml::XmlDocumento& doc, TFileListBox& lista, const std::string& pasta);
  void ProcessaErroProtocolo(UnXml::XmlDocumento& doc, TFileListBox& lista, const std::string& pasta);
  void ProcessaErroCTe(UnXml::XmlDocumento& doc, TFileListBox& lista, const std::string& pasta);
  void ProcessaErroLote(UnXml::XmlDocumento& doc, TFileListBox& lista, const std::string& pasta);
  void ProcessaErroEvento(UnXml::XmlDocumento& doc, TFileListBox& lista, const std::string& pasta);
  // Prints an authorisation marked pending in the record, which marks it printed.
  void ImprimeCTe(const UnRegistroImpressao::AutorizacaoPendente& autorizacao);
  void ImprimeDocumento(const UnRegistroImpressao::AutorizacaoPendente& autorizacao);
  // Loads the current company's record and prints what an earlier run left pending.
  void ImprimePendentes();
  // A pending authorisation not printed now (`motivo`, for the log): given up after a day;
  // `aviso`, when given, is told once after ten minutes, about `arquivo`.
  void FalhaImpressao(const UnRegistroImpressao::AutorizacaoPendente& autorizacao,
                      const std::string& motivo, const std::string& aviso,
                      const std::string& arquivo);

  // ---- The transmitter's archive and the CT-e in doubt (the current company)
  // Every few minutes: what the authorised documents and registered cancellations hold that
  // the rows lack, recorded from them.
  void ReconciliaEmpresa();
  // The situation requests that are due, written into Envio; the window's count of doubts.
  void PedeSituacoes();
  // A CT-e whose fate the answers cannot tell: asked about unless its row is authorised.
  void RegistraDuvida(const std::string& chave, const std::string& identificador,
                      const std::string& ambiente, const std::string& motivo);
  void EncerraDuvida(const std::string& chave, const std::string& desfecho, bool bAlerta);
  // The row of a key (44 digits, stored with "CTe"); empty when no CT-e has it.
  std::optional<UnReconciliacao::Linha> LinhaDaChave(const std::string& chave);
  // tpAmb of the ERP's document the transmitter left in Erro or EmProcessamento; empty if none.
  std::string AmbienteDoEnvio(const std::string& identificador);

  // ---- What happened, for a person: the log's line, the shell's list and balloon. `chave`
  // (or else the file's name) gives the CT-e number.
  void RegistraOcorrencia(const char* oQue, const std::string& detalhe, const std::string& arquivo,
                          const std::string& chave, bool bAlerta);
  // Where a file handled in Retorno lies now: in the folder of `codigo`, or still where it was.
  std::string OndeEsta(const std::string& atual, int codigo) const;
  // An answer of a CT-e the ERP does not have: to Erro with the question, told as an alert.
  void CTeNaoEncontrado(TFileListBox& lista, const std::string& atual, int32_t* contadorProprio,
                        const std::string& chave);
  // The answers of a rejected or denied document, told with the authority's reason.
  void RegistraRecusa(const std::string& status, const std::string& motivo,
                      const std::string& arquivo, const std::string& chave);
  // Shows the file of an occurrence selected in its folder, when it lies in a company's tree
  // under the CT-e root:
  // the path comes back from the log's text, which must not choose what is opened.
  void MostraArquivoDaOcorrencia(const std::string& arquivo);
  // Hands the shell what earlier runs of this day told.
  void MostraOcorrenciasDoDia();
  // The transmitter's queue of the current company, at a timed pass under its lock. A change
  // is told by the workstation that sees it first: the state told lies in the company folder.
  void VerificaTransmissor();

  // ---- Maintenance
  void DefinePastaAtualizacao(const std::string& nomeBanco, const std::string& iniServidor);
  void VerificaNovaVersao(UnFirebird::TIBDatabase& banco, int modo);
  // Downloads the updater with its signature and places both only when the maker signed it;
  // otherwise the notice and the end of a failed download.
  void BaixaAtualizador(const std::string& sAtualizador);
  // An updater without the maker's signature, told in the log and as an alert.
  void RecusaAtualizador(const std::string& arquivo, const std::string& motivo);

  // ---- Processor skeleton helpers
  using TrataArquivo = std::function<void(const std::string& atual, const std::string& nome)>;
  // Lists the folder with the mask and hands every file to `trata`, each on its own: a file
  // whose turn fails for its own sake (it cannot be read yet, it is malformed, its values are
  // refused, its row is held) waits in Retorno and the others go on; an error that concerns
  // the whole pass leaves. A failing file that stays unchanged is set aside by the error move
  // with `contadorErro`.
  void PercorreArquivos(TFileListBox& lista, const std::string& pasta, const std::string& mascara,
                        int32_t* contadorErro, const TrataArquivo& trata);
  // One file's turn: `trata` false when the file is not there to be taken yet. A turn that fails
  // for the file's own sake leaves it waiting (false); one that concerns the pass leaves.
  bool TentaArquivo(TFileListBox& lista, const std::string& atual, int32_t* contadorErro,
                    const std::function<bool()>& trata);
  // Picks the first name of the list not yet taken up in this run of the processor; false
  // when none is left. Files left in place are skipped until the next pass.
  bool SelecionaProximo(TFileListBox& lista);
  void IniciaProcessador(TFileListBox& lista, const std::string& pasta, const std::string& mascara);
  // Success move of the current file to folder code `codigo`; error move to "Erro".
  void MoveSucesso(TFileListBox& lista, const std::string& atual, int codigo,
                   const std::string& rota = "OK");
  void MoveErro(TFileListBox& lista, const std::string& atual, int32_t* contadorProprio,
                bool pergunta = true);
  // Moves the current file to Erro raising `contadores`, and asks about it when `pergunta`.
  // A move that fails is one error: counted and asked about once, then only the move is tried
  // at the next passes; with `bContaSoMovido` nothing is counted or asked until it moved.
  bool MoveParaErro(TFileListBox& lista, const std::string& atual,
                    std::initializer_list<int32_t*> contadores, bool pergunta,
                    bool bContaSoMovido);
  // Whether the database answers a trivial statement on the connection.
  bool BancoResponde();
  // Forgets what is kept about the files of a Retorno folder that are no longer there (moved by
  // another workstation or by hand), once a minute.
  void EsqueceAusentes(const std::string& pasta);
  // Runs a change on qryUpdate followed by " commit retain".
  void ExecutaAlteracao(const std::string& sql);
  // Runs a look-up on qryPesquisa.
  void ExecutaPesquisa(const std::string& sql);
  // One activity-log line for a handled file: its route ("OK", "Erro", "mantido") and CT-e.
  void RegistraArquivo(const std::string& caminho, const std::string& rota, int32_t id);
  // How many files wait and for how long the oldest has, for the window; a refusal shared by
  // several files told once when it starts and once when it ends.
  void MostraEspera();

  // ---- State (names of the system's conventions)
  UnTela::Tela& tela;
  std::string it_sSql;
  std::string locainiServidor;
  std::unique_ptr<UnXml::XmlDocumento> vXMLDoc;
  std::string sServidor, sPath, sBanco;
  std::string it_sNomeArquivo;
  int32_t it_iID_CTe = 0;

  int32_t iLotesProcessados = 0;
  int32_t iSolicitacaoInconsistente = 0;
  int32_t iPedidosGerados = 0;
  int32_t iLotesErro = 0;
  int32_t iConfirmacaoRecebida = 0;
  int32_t iConfirmacaoErro = 0;
  int32_t iCTeAutorizada = 0;
  int32_t iCTeErro = 0;
  int32_t iCTeCancelada = 0;
  int32_t iConsultasCTe = 0;
  int32_t iConsultasCTeErro = 0;

  std::string it_sPastaRaizCTe;
  std::string it_sCNPJEmpresa;
  std::unique_ptr<UnFirebird::TIBQuery> qryUpdate;
  std::unique_ptr<UnFirebird::TIBQuery> qryPesquisa;
  std::unique_ptr<UnFirebird::TIBDatabase> IBD_BancoDados;
  TFileListBox FileListBox1;
  TValoresAtualizacao Atualizacao;
  TLogAtividade Log;
  // The files that wait in the Retorno folders, with their reasons.
  UnArquivosEmEspera::TArquivosEmEspera Esperas;
  // The files left in place on purpose, not read again while unchanged.
  UnArquivosMantidos::TArquivosMantidos Mantidos;
  UnRegistroImpressao::TRegistroImpressao RegistroImpressao;

  // Where the monitor runs from: the running executable, or an ERP folder a test chooses.
  std::string sCaminhoExecutavel;
  // Client library names to try; empty for the platform's default.
  std::vector<std::string> sBibliotecasFirebird;
  // Starts programs and documents (explorer, the printing program, the updater).
  std::function<bool(const UnProcessos::PedidoExecucao&)> Executa = UnProcessos::Executa;
  // Reads the running processes (the system's list; a test may stand in a failing one).
  std::function<std::optional<std::vector<std::string>>()> ListaProcessos =
      UnProcessos::ListaProcessos;
  // Base address of the maker's web server (loopback in tests).
  std::string sEnderecoSite;
  // How long a stopped cycle waits before it tries again by itself.
  int64_t iRetomaCicloMs;
  // The clocks: every duration on the one that never steps, the time of day only for what is
  // shown and logged.
  std::function<int64_t()> Monotonico = UnLocalidade::MonotonicoMilissegundos;
  std::function<int64_t()> Hora = UnLocalidade::AgoraMilissegundos;

 private:
  bool bTimer1Ativo = false;
  bool bPassoEmExecucao = false;
  bool bEncerrado = false;
  bool bFimRegistrado_ = false;
  bool bReinicioPendente_ = false;  // "Reiniciar" pressed while a pass ran
  // Runs a "Reiniciar" pressed during the pass that just ended.
  void ReiniciaSePendente();
  int64_t iCicloParadoEm = 0;  // when the cycle last stopped (monotonic ms)
  std::vector<TEmpresaObservada> sEmpresas;
  // A file's turn failed: it waits for its reason, or the error leaves for the pass.
  void TrataFalhaArquivo(TFileListBox& lista, const std::string& atual,
                         const std::exception& erro, int32_t* contadorErro);
  void AguardaArquivo(TFileListBox& lista, const std::string& atual,
                      UnArquivosEmEspera::Motivo motivo, const std::string& detalhe,
                      int32_t* contadorErro);
  void TentaMovimento(TFileListBox& lista, const std::string& atual, int codigo);
  void EncerraEspera(const std::string& atual, const std::string& desfecho);
  // One log line and one line on the screen about a file that waits or stopped waiting.
  void InformaArquivo(const std::string& caminho, const std::string& situacao);

  // The running processor's last name taken and where it stood.
  std::optional<std::string> sUltimoSelecionado_;
  size_t iUltimoSelecionado_ = 0;
  std::map<std::string, int64_t> esquecimentos_;  // per Retorno folder, its last forgetting
  // Per Retorno folder: when its loose receipts were last looked for, and until when they are
  // looked for at every pass (one was missed or failed).
  struct TProcuraRecibos {
    int64_t iUltima = 0;
    int64_t iAte = 0;
  };
  std::map<std::string, TProcuraRecibos> recibosSoltos_;
  TEpisodio episodioListaProcessos_;        // the process list cannot be read
  // The data folder, its initialisation file or "Conectado.txt" cannot be reached (the share
  // gone for a moment): a state told once, that ends the monitor only after ten minutes.
  TEpisodio episodioDados_;
  int64_t iDadosInacessiveisDesde_ = 0;
  void DadosInacessiveis(const std::string& aviso, const std::string& motivo);
  void Reinicia(bool bExibeErro);
  TEpisodio episodioImpressao_;             // the printing program does not start
  std::map<std::string, TEpisodio> episodiosTrava_;  // by company: its lock cannot be taken
  UnFilaTransmissor::TVigiaTransmissor vigiaTransmissor_;
  UnReconciliacao::TConciliacao Conciliacao_;
  UnFalhasImpressao::TFalhasImpressao FalhasImpressao_;
  UnRegistroDuvidas::TRegistroDuvidas Duvidas_;  // the current company's
  void ReconciliaDocumento(const std::string& caminho, const std::string& nome, bool bEvento,
                           const std::set<std::string>& emRetorno);
  // False when the print record cannot take an authorisation to print: the next round tries.
  bool RecuperaAutorizacao(const UnLeituraAutorizados::DocumentoLido& documento,
                           const std::string& caminho);
  void RecuperaCancelamento(const UnLeituraAutorizados::DocumentoLido& documento,
                            const std::string& caminho);
};
