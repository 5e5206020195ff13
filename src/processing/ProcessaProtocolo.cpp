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
      // A synchronous answer rejected as a duplicate names the CT-e in its protocol, or else
      // in the file's name.
      const bool bDuplicidade = statusLote == UnLeituraRespostas::STATUS_DUPLICIDADE;
      const std::string chave =
          !bDuplicidade ? std::string()
          : doc.ElementoDocumento().ElementoFilho("protCTe").Existe()
              ? UnLeituraRespostas::LeProtocolo(doc).sChave
              : UnFuncoesCTe::ChaveCTe(nome);
      MoveErro(lista, atual, nullptr);
      RegistraRecusa(statusLote, UnLeituraRespostas::LeMotivo(doc), OndeEsta(atual, 5), chave);
      if (!chave.empty())
        RegistraDuvida(chave, "CTe" + chave, UnLeituraRespostas::LeAmbiente(doc),
                       "rejeitado como duplicidade de si mesmo (204)");
    } else {
      const UnLeituraRespostas::ProtocoloLido protocolo = UnLeituraRespostas::LeProtocolo(doc);
      ExecutaPesquisa(UnComandosSql::MontaPesquisaChave("CTe" + protocolo.sChave));
      it_iID_CTe = static_cast<int32_t>(qryPesquisa->FieldAsInteger("id_cte"));
      const std::string chaveGravada = qryPesquisa->FieldAsString("cd_chave_acesso_cte");
      const UnRegistroImpressao::AutorizacaoPendente autorizacao{
          protocolo.sChave, protocolo.sProtocolo, it_iID_CTe};
      if (it_iID_CTe == 0) {
        CTeNaoEncontrado(lista, atual, nullptr, protocolo.sChave);
      } else if (protocolo.sStatus == "100" &&
                 RegistroImpressao.Conhecida(autorizacao.sChave, autorizacao.sProtocolo)) {
        // Recorded, counted and printed when its file was first met: only the move was left.
        MoveSucesso(lista, atual, 12);
      } else if (protocolo.sStatus != "100" &&
                 LinhaDaChave(protocolo.sChave).value_or(UnReconciliacao::Linha{}).bAutorizada) {
        // The CT-e sent again after its authorisation: the authority's word on the copy leaves
        // the authorisation recorded as it is.
        MoveParaErro(lista, atual, {}, false, false);
        RegistraOcorrencia(UnOcorrencias::REJEITADO,
                           protocolo.sStatus + " - " + protocolo.sMotivo +
                               "; o CT-e já está autorizado no ERP: nada alterado",
                           OndeEsta(atual, 5), protocolo.sChave, false);
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
          if (protocolo.sStatus == UnLeituraRespostas::STATUS_DUPLICIDADE)
            RegistraDuvida(protocolo.sChave, chaveGravada,
                           UnLeituraRespostas::LeAmbiente(doc),
                           "rejeitado como duplicidade de si mesmo (204)");
        }
      }
    }
    tela.ProcessaMensagens();
  });
}
