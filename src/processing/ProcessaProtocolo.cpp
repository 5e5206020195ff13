// Processing-result files: the authorisation (or rejection) of a CT-e. Both the answer to a
// receipt query (retConsReciCTe) and the synchronous answer of layout 4.00 (retCTe) carry the
// status at the root and the document's protocol in protCTe/infProt.
#include "platform/UnArquivos.h"
#include "processing/UnComandosSql.h"
#include "processing/UnFuncoesCTe.h"
#include "processing/UnLeituraRespostas.h"
#include "shell/UnMonitor.h"

void TMonitorCTe::ProcessaProtocolo(UnXml::XmlDocumento& doc, TFileListBox& lista,
                                    const std::string& pasta) {
  PercorreArquivos(lista, pasta, "*-pro-rec.xml*", nullptr,
                   [&](const std::string& atual, const std::string& nome) {
    it_sNomeArquivo = UnLeituraRespostas::RetornaFinal(atual, 27);
    if (!UnFuncoesCTe::EhArquivoCTe(atual) || !UnArquivos::ExisteArquivo(atual)) return;
    // A result the transmitter is still writing does not load; it waits for its next write.
    doc.Carrega(atual);
    MostraArquivo(nome);
    const std::string statusLote = UnLeituraRespostas::LeStatus(doc);
    if (statusLote != "100") {
      MoveErro(lista, atual, nullptr);
    } else {
      const UnLeituraRespostas::ProtocoloLido protocolo = UnLeituraRespostas::LeProtocolo(doc);
      ExecutaPesquisa(UnComandosSql::MontaPesquisaChave("CTe" + protocolo.sChave));
      it_iID_CTe = static_cast<int32_t>(qryPesquisa->FieldAsInteger("id_cte"));
      if (it_iID_CTe == 0) {
        MoveErro(lista, atual, nullptr);
      } else {
        ExecutaAlteracao(UnComandosSql::MontaGravaProtocolo(statusLote, protocolo, it_iID_CTe));
        if (protocolo.sStatus == "100") {
          MoveSucesso(lista, atual, 12);
          ++iCTeAutorizada;
          ImprimeCTe(it_iID_CTe);
        } else {
          MoveErro(lista, atual, &iCTeErro);
        }
      }
    }
    tela.ProcessaMensagens();
  });
}
