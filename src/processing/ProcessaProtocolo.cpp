// Processing-result files: the authorisation (or rejection) of a CT-e. Both the answer to a
// receipt query (retConsReciCTe) and the synchronous answer of layout 4.00 (retCTe) carry the
// status at the root and the document's protocol in protCTe/infProt.
#include <stdexcept>

#include "platform/UnArquivos.h"
#include "processing/UnComandosSql.h"
#include "processing/UnFuncoesCTe.h"
#include "processing/UnLeituraRespostas.h"
#include "processing/UnOcorrencias.h"
#include "shell/UnMonitor.h"

void TMonitorCTe::ProcessaProtocolo(UnXml::XmlDocumento& doc, TFileListBox& lista,
                                    const std::string& pasta) {
  ImprimePendentes();
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
      RegistraRecusa(statusLote, UnLeituraRespostas::LeMotivo(doc), OndeEsta(atual, 5), "");
    } else {
      const UnLeituraRespostas::ProtocoloLido protocolo = UnLeituraRespostas::LeProtocolo(doc);
      ExecutaPesquisa(UnComandosSql::MontaPesquisaChave("CTe" + protocolo.sChave));
      it_iID_CTe = static_cast<int32_t>(qryPesquisa->FieldAsInteger("id_cte"));
      const UnRegistroImpressao::AutorizacaoPendente autorizacao{
          protocolo.sChave, protocolo.sProtocolo, it_iID_CTe};
      if (it_iID_CTe == 0) {
        MoveErro(lista, atual, nullptr);
        RegistraOcorrencia(UnOcorrencias::SEPARADO, "CT-e não encontrado no banco de dados do ERP",
                           OndeEsta(atual, 5), protocolo.sChave, true);
      } else if (protocolo.sStatus == "100" &&
                 RegistroImpressao.Conhecida(autorizacao.sChave, autorizacao.sProtocolo)) {
        // Recorded, counted and printed when its file was first met: only the move was left.
        MoveSucesso(lista, atual, 12);
      } else {
        ExecutaAlteracao(UnComandosSql::MontaGravaProtocolo(statusLote, protocolo, it_iID_CTe));
        if (protocolo.sStatus == "100") {
          // Without the record its print could be lost or doubled: the answer, recorded, stays
          // in Retorno until the record can be read and written again.
          if (!RegistroImpressao.MarcaPendente(autorizacao.sChave, autorizacao.sProtocolo,
                                               it_iID_CTe))
            throw std::runtime_error(
                "Registro de impressão ilegível ou sem gravação: " +
                UnFuncoesCTe::RetornaPastaCTe(0, it_sPastaRaizCTe, it_sCNPJEmpresa) +
                UnRegistroImpressao::NOME_ARQUIVO);
          MoveSucesso(lista, atual, 12);
          ++iCTeAutorizada;
          RegistraOcorrencia(UnOcorrencias::AUTORIZADO, "100 - " + protocolo.sMotivo,
                             OndeEsta(atual, 12), protocolo.sChave, false);
          ImprimeCTe(autorizacao);
        } else {
          MoveErro(lista, atual, &iCTeErro);
          RegistraRecusa(protocolo.sStatus, protocolo.sMotivo, OndeEsta(atual, 5),
                         protocolo.sChave);
        }
      }
    }
    tela.ProcessaMensagens();
  });
}
