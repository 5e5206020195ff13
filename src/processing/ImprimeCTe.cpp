// Printing of an authorised CT-e: UniDANFe is started, hidden, on the document's file that
// the transmitter keeps in a month folder under Enviado/Autorizados. The company's record of
// authorisations to print makes each one printed once, whenever the run ends.
#include "platform/UnArquivos.h"
#include "platform/UnLocalidade.h"
#include "processing/UnComandosSql.h"
#include "processing/UnFuncoesCTe.h"
#include "shell/UnMonitor.h"

namespace {

std::string RetornaMesAtual() {
  const UnLocalidade::DataHora hoje = UnLocalidade::Agora();
  return UnFuncoesCTe::PreencheZeros(std::to_string(hoje.iAno), 4) +
         UnFuncoesCTe::PreencheZeros(std::to_string(hoje.iMes), 2);
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
    Log.Registra("impressão do CT-e " + std::to_string(id) + " sem arquivo: " + noMesAtual);
    RegistroImpressao.MarcaImpressa(autorizacao.sChave, autorizacao.sProtocolo);
    tela.MostraNotificacao("O arquivo de CTe \"" + noMesAtual + "\" não foi encontrado.\r\n" +
                               "Não pode imprimir o CTe.",
                           "Atenção", UnTela::ICONE_EXCLAMACAO);
    return;
  }
  const std::string cnpj = qryPesquisa->FieldAsString("no_cnpj_cpf");
  const std::string parametros = " ARQUIVO=\"" + arquivo + "\" COPIAS=" + std::to_string(1) +
                                 " SAIDAERROS=A" + " CONFIGURACAO=\"" + cnpj + "\"";
  Executa({"open", "c:\\unimake\\uninfe\\unidanfe.exe", parametros, "c:\\unimake\\unidanfe", true});
  // Recorded right after the start: a run that ends in between prints it again at its next
  // pass, since a second copy is better than none.
  RegistroImpressao.MarcaImpressa(autorizacao.sChave, autorizacao.sProtocolo);
  Log.Registra("impressão do CT-e " + std::to_string(id) + ": " + arquivo);
}

void TMonitorCTe::ImprimePendentes() {
  RegistroImpressao.Carrega(UnFuncoesCTe::RetornaPastaCTe(0, it_sPastaRaizCTe, it_sCNPJEmpresa));
  for (const UnRegistroImpressao::AutorizacaoPendente& pendente : RegistroImpressao.Pendentes())
    ImprimeCTe(pendente);
}
