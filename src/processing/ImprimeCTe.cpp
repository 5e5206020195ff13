// Printing of an authorised CT-e: UniDANFe is started, hidden, on the document's file that
// the transmitter keeps in a month folder under Enviado/Autorizados. The company's record of
// authorisations to print makes each one printed once, whenever the run ends: it is marked
// printed only once the program started on the document. A document the transmitter writes
// after its answer is waited for; one still missing after ten minutes is told. A print pending
// for a day, whatever keeps it (its document, the program), is given up.
#include "platform/UnArquivos.h"
#include "platform/UnLocalidade.h"
#include "processing/UnClassesErro.h"
#include "processing/UnComandosSql.h"
#include "processing/UnFuncoesCTe.h"
#include "processing/UnOcorrencias.h"
#include "shell/UnMonitor.h"

namespace {

constexpr const char* UNIDANFE = "c:\\unimake\\uninfe\\unidanfe.exe";

std::string RetornaMesAtual() {
  const UnLocalidade::DataHora hoje = UnLocalidade::Agora();
  return UnFuncoesCTe::AnoMes(hoje.iAno, hoje.iMes);
}

// "20" + YYMM of the key's digits 3 to 6 (the emission month); empty when the key has none.
std::string RetornaMesEmissao(const std::string& chaveGravada) {
  const std::string chave =
      chaveGravada.rfind("CTe", 0) == 0 ? chaveGravada.substr(3) : chaveGravada;
  const std::string anoMes = chave.size() >= 6 ? chave.substr(2, 4) : std::string();
  if (!UnFuncoesCTe::EhNumeroDecimal(anoMes)) return "";
  return "20" + anoMes;
}

}  // namespace

void TMonitorCTe::ImprimeCTe(const UnRegistroImpressao::AutorizacaoPendente& autorizacao) {
  // What goes wrong with one print (its row unreadable, the program's start) is that print's:
  // it stays pending and the pass goes on.
  try {
    ImprimeDocumento(autorizacao);
  } catch (const std::exception& erro) {
    const UnClassesErro::ClasseErro classe = UnClassesErro::ClassificaErro(erro);
    if (classe == UnClassesErro::ClasseErro::ConexaoPerdida ||
        (classe == UnClassesErro::ClasseErro::Indefinida && !BancoResponde()))
      throw;
    Log.Registra("impressão do CT-e " + std::to_string(autorizacao.iID_CTe) +
                 " não feita: " + NumaLinha(erro.what()));
    FalhaImpressao(autorizacao, erro.what(), "", "");
  }
}

void TMonitorCTe::ImprimeDocumento(const UnRegistroImpressao::AutorizacaoPendente& autorizacao) {
  const int32_t id = autorizacao.iID_CTe;
  ExecutaPesquisa(UnComandosSql::MontaPesquisaImpressao(id));
  const std::string chave = qryPesquisa->FieldAsString("cd_chave_acesso_cte");
  const std::string pasta = UnFuncoesCTe::RetornaPastaCTe(9, it_sPastaRaizCTe, it_sCNPJEmpresa);
  const auto caminhoNoMes = [&](const std::string& mes) {
    return pasta + mes + UnArquivos::SEPARADOR + chave + "-procCTe.xml";
  };
  // The transmitter files a document under the month it handled it, which is today's month
  // for an answer just read; one handled late lies under its emission month.
  const std::string noMesAtual = caminhoNoMes(RetornaMesAtual());
  std::string arquivo = noMesAtual;
  if (!UnArquivos::ExisteArquivo(arquivo)) {
    const std::string mesEmissao = RetornaMesEmissao(chave);
    arquivo = mesEmissao.empty() ? std::string() : caminhoNoMes(mesEmissao);
  }
  if (arquivo.empty() || !UnArquivos::ExisteArquivo(arquivo)) {
    FalhaImpressao(autorizacao, "o arquivo " + noMesAtual + " não apareceu",
                   "O arquivo de CTe \"" + noMesAtual + "\" não foi encontrado.\r\n" +
                       "Não pode imprimir o CTe.",
                   noMesAtual);
    return;
  }
  const std::string cnpj = qryPesquisa->FieldAsString("no_cnpj_cpf");
  const std::string parametros = " ARQUIVO=\"" + arquivo + "\" COPIAS=" + std::to_string(1) +
                                 " SAIDAERROS=A" + " CONFIGURACAO=\"" + cnpj + "\"";
  if (!Executa({"open", UNIDANFE, parametros, "c:\\unimake\\unidanfe", true})) {
    // Not installed on this workstation, or moved: it stays pending, told once until a start
    // succeeds again, and is given up with the others after a day.
    if (episodioImpressao_.Ocorre()) {
      const std::string texto = std::string("Não foi possível iniciar o programa de impressão ") +
                                UNIDANFE + " para o CT-e " + std::to_string(id) +
                                ". A impressão será tentada de novo a cada passo.";
      RegistraOcorrencia(UnOcorrencias::IMPRESSAO_PENDENTE, texto, arquivo, chave, true);
    }
    FalhaImpressao(autorizacao, "o programa de impressão não iniciou", "", "");
    return;
  }
  if (const int iVezes = episodioImpressao_.Termina())
    Log.Registra("programa de impressão iniciado de novo após " + std::to_string(iVezes) +
                 " falhas");
  // Recorded right after the start: a run that ends in between prints it again at its next
  // pass, since a second copy is better than none. Once started it is known as printed, also
  // when the record cannot be written now.
  FalhasImpressao_.Esquece(autorizacao.sChave, autorizacao.sProtocolo);
  if (!RegistroImpressao.MarcaImpressa(autorizacao.sChave, autorizacao.sProtocolo))
    Log.Registra("impressão do CT-e " + std::to_string(id) +
                 " feita, registro de impressão sem gravação: gravada quando puder");
  Log.Registra("impressão do CT-e " + std::to_string(id) + ": " + arquivo);
  RegistraOcorrencia(UnOcorrencias::IMPRESSO, "DACTE enviado para impressão", arquivo,
                     chave, false);
}

void TMonitorCTe::FalhaImpressao(const UnRegistroImpressao::AutorizacaoPendente& autorizacao,
                                 const std::string& motivo, const std::string& aviso,
                                 const std::string& arquivo) {
  const std::string& chave = autorizacao.sChave;
  const std::string& protocolo = autorizacao.sProtocolo;
  const std::string cte = "CT-e " + std::to_string(autorizacao.iID_CTe);
  using UnFalhasImpressao::Destino;
  const Destino destino = FalhasImpressao_.Falha(
      chave, protocolo, Monotonico(),
      RegistroImpressao.PendenteHaMais(chave, protocolo, UnRegistroImpressao::DIAS_PENDENTE));
  if (destino == Destino::Desiste) {
    RegistroImpressao.MarcaDesistida(chave, protocolo);
    Log.Registra("impressão do " + cte + " abandonada após um dia pendente: " + motivo);
  } else if (destino == Destino::Avisa && !aviso.empty()) {
    Log.Registra("impressão do " + cte + " aguardando: " + motivo);
    RegistraOcorrencia(UnOcorrencias::IMPRESSAO_PENDENTE, aviso, arquivo, chave, true);
  }
}

void TMonitorCTe::ImprimePendentes() {
  RegistroImpressao.Carrega(UnFuncoesCTe::RetornaPastaCTe(0, it_sPastaRaizCTe, it_sCNPJEmpresa));
  for (const UnRegistroImpressao::AutorizacaoPendente& pendente : RegistroImpressao.Pendentes())
    ImprimeCTe(pendente);
}
