// Event answers: the cancellation of a CT-e is recorded. The ERP has no column for any other
// event (delivery proofs, correction letters, ...): a registered one goes to Retorno\OK with a
// line in the activity log, a refused one to Erro with the question, so somebody hears of it.
#include "processing/UnComandosSql.h"
#include "processing/UnFuncoesCTe.h"
#include "processing/UnLeituraRespostas.h"
#include "processing/UnOcorrencias.h"
#include "shell/UnMonitor.h"

void TMonitorCTe::ProcessaEvento(UnXml::XmlDocumento& doc, TFileListBox& lista,
                                 const std::string& pasta) {
  PercorreArquivos(lista, pasta, "CTe*-eve.xml*", nullptr,
                   [&](const std::string& atual, const std::string& nome) {
    tela.ProcessaMensagens();
    it_sNomeArquivo = UnLeituraRespostas::RetornaFinal(atual, 56);
    if (!UnFuncoesCTe::EhArquivoCTe(atual)) return;
    doc.Carrega(atual);
    MostraArquivo(nome);
    const UnLeituraRespostas::EventoLido evento = UnLeituraRespostas::LeEvento(doc);
    // Without chCTe the name gives the key as stored ("CTe" + the 44 digits); the folder
    // separator in front of the name is no part of it.
    const std::string chave = evento.sChave.empty() ? UnLeituraRespostas::RetornaChaveNome(nome)
                                                    : "CTe" + evento.sChave;
    ExecutaPesquisa(UnComandosSql::MontaPesquisaChave(chave));
    it_iID_CTe = static_cast<int32_t>(qryPesquisa->FieldAsInteger("id_cte"));
    // What the authority said of the event, as the occurrence tells it.
    // Only shown: cut to the schema's lengths of a type and of a protocol.
    const std::string descricao = UnFuncoesCTe::CortaTexto(evento.sTipo, 6) + " " +
                                  UnLeituraRespostas::DescricaoEvento(evento);
    const std::string protocolo = UnFuncoesCTe::CortaTexto(evento.sProtocolo, 17);
    const auto Recusado = [&] {
      RegistraOcorrencia(UnOcorrencias::EVENTO_RECUSADO,
                         descricao + ": " + evento.sStatus + " - " + evento.sMotivo,
                         OndeEsta(atual, 5), chave, true);
    };
    if (it_iID_CTe == 0) {
      CTeNaoEncontrado(lista, atual, nullptr, chave);
    } else if (evento.sTipo != UnLeituraRespostas::EVENTO_CANCELAMENTO) {
      if (UnLeituraRespostas::EhEventoRegistrado(evento.sStatus)) {
        MoveSucesso(lista, atual, 12,
                    "OK | evento " + descricao + " registrado, " + chave + ", protocolo " +
                        protocolo);
        RegistraOcorrencia(UnOcorrencias::EVENTO_REGISTRADO,
                           descricao + ", protocolo " + protocolo, OndeEsta(atual, 12),
                           chave, false);
      } else {
        // The CT-e itself is as it was: the refusal counts with the other event errors.
        MoveErro(lista, atual, &iConsultasCTeErro);
        Recusado();
      }
    } else if (evento.sProtocolo.empty()) {
      MoveErro(lista, atual, &iCTeErro, false);
      Recusado();
    } else {
      ExecutaAlteracao(UnComandosSql::MontaGravaCancelamentoEvento(evento, it_iID_CTe));
      if (evento.sStatus == "135") {
        MoveSucesso(lista, atual, 12);
        ++iCTeCancelada;
        RegistraOcorrencia(UnOcorrencias::CANCELADO,
                           evento.sStatus + " - " + evento.sMotivo + ", protocolo " +
                               evento.sProtocolo,
                           OndeEsta(atual, 12), chave, false);
      } else {
        MoveErro(lista, atual, &iCTeErro);
        Recusado();
      }
    }
  });
}
