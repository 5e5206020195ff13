// Situation query answers: the authorisation protocol of a CT-e and a cancellation listed
// among its events.
#include "processing/UnComandosSql.h"
#include "processing/UnFuncoesCTe.h"
#include "processing/UnLeituraRespostas.h"
#include "processing/UnOcorrencias.h"
#include "shell/UnMonitor.h"

namespace {

// "Rejeição: CT-e não consta na base de dados da SEFAZ".
constexpr const char* STATUS_DESCONHECIDO = "217";

bool EhStatusSituacaoAceito(const std::string& status) {
  return status == "100" || status == "101" || status == "132";
}

}  // namespace

void TMonitorCTe::ProcessaSituacao(UnXml::XmlDocumento& doc, TFileListBox& lista,
                                   const std::string& pasta) {
  PercorreArquivos(lista, pasta, "*-sit.xml*", &iCTeErro,
                   [&](const std::string& atual, const std::string& nome) {
    tela.ProcessaMensagens();
    it_sNomeArquivo = UnLeituraRespostas::RetornaFinal(atual, 52);
    if (!UnFuncoesCTe::EhArquivoCTe(atual)) return;
    doc.Carrega(atual);
    MostraArquivo(nome);
    ExecutaPesquisa(UnComandosSql::MontaPesquisaChave(
        "CTe" + UnLeituraRespostas::RetornaChaveNome(it_sNomeArquivo)));
    it_iID_CTe = static_cast<int32_t>(qryPesquisa->FieldAsInteger("id_cte"));
    const std::string statusResposta = UnLeituraRespostas::LeStatus(doc);
    const std::string chave = UnLeituraRespostas::RetornaChaveNome(it_sNomeArquivo);
    // Any answer of the authority ends a doubt about the CT-e but one that says nothing of it
    // (the request refused): that one is asked again later.
    if (statusResposta == STATUS_DESCONHECIDO)
      EncerraDuvida(chave, "a SEFAZ não tem este CT-e (" + statusResposta + " - " +
                               UnLeituraRespostas::LeMotivo(doc) + ")", true);
    else if (EhStatusSituacaoAceito(statusResposta))
      EncerraDuvida(chave, "situação respondida: " + statusResposta, false);
    if (it_iID_CTe == 0) {
      CTeNaoEncontrado(lista, atual, &iCTeErro, chave);
    } else if (!EhStatusSituacaoAceito(statusResposta)) {
      MoveErro(lista, atual, &iCTeErro);
      RegistraRecusa(statusResposta, UnLeituraRespostas::LeMotivo(doc), OndeEsta(atual, 5), chave);
    } else {
      const UnLeituraRespostas::ProtocoloLido protocolo = UnLeituraRespostas::LeProtocolo(doc);
      if (protocolo.sStatus == "100")
        ExecutaAlteracao(
            UnComandosSql::MontaGravaAutorizacaoSituacao(statusResposta, protocolo, it_iID_CTe));
      const auto cancelamento = UnLeituraRespostas::LeCancelamento(doc);
      if (cancelamento)
        ExecutaAlteracao(UnComandosSql::MontaGravaCancelamentoSituacao(*cancelamento, it_iID_CTe));
      MoveSucesso(lista, atual, 12);
      ++iCTeAutorizada;
      // Cancelled by the authority's word (101) without a cancellation to record is told as a
      // cancellation the ERP still lacks, never as an authorisation.
      const bool bSemProtocolo = !cancelamento && statusResposta == "101";
      RegistraOcorrencia(cancelamento || bSemProtocolo ? UnOcorrencias::CANCELADO
                                                       : UnOcorrencias::AUTORIZADO,
                         statusResposta + " - " + UnLeituraRespostas::LeMotivo(doc) +
                             (bSemProtocolo ? " (sem o protocolo do cancelamento: nada gravado dele)"
                                            : ""),
                         OndeEsta(atual, 12), chave, bSemProtocolo);
    }
  });
}
