// Lot-number files: the lot number of a CT-e, and the receipt of that lot that follows from it.
#include "platform/UnArquivos.h"
#include "processing/UnComandosSql.h"
#include "processing/UnFuncoesCTe.h"
#include "processing/UnLeituraRespostas.h"
#include "shell/UnMonitor.h"

using UnFuncoesCTe::RetornaPastaCTe;

void TMonitorCTe::ProcessaNumeroLote(UnXml::XmlDocumento& doc, TFileListBox& lista,
                                     const std::string& pasta) {
  PercorreArquivos(lista, pasta, "CTe*-num-lot.xml*", &iLotesErro,
                   [&](const std::string& atual, const std::string& nome) {
    tela.ProcessaMensagens();
    it_sNomeArquivo = UnLeituraRespostas::RetornaFinal(atual, 60);
    const UnLeituraRespostas::NomeLoteLido pecas = UnLeituraRespostas::LeNomeLote(it_sNomeArquivo);
    if (!UnFuncoesCTe::EhArquivoCTe(atual)) return;
    doc.Carrega(atual);
    MostraArquivo(nome);
    const std::string lote = UnLeituraRespostas::LeNumeroLote(doc).sNumeroLote;
    const std::string recibo = UnLeituraRespostas::RetornaNomeRecibo(lote);
    ExecutaPesquisa(UnComandosSql::MontaPesquisaLote(pecas.sDocumento, pecas.sCodigoNumerico));
    it_iID_CTe = static_cast<int32_t>(qryPesquisa->FieldAsInteger("id_cte"));
    if (it_iID_CTe != 0) {
      GravaNumeroLote(it_iID_CTe, UnLeituraRespostas::ConverteNumeroLote(lote));
      TentaRecibo(doc, lista, pasta, lote);
      MoveSucesso(lista, atual, 12);
      ++iLotesProcessados;
    } else {
      // Neither the lot nor its receipt belongs to a CT-e of the ERP: both go to Erro.
      UnArquivos::MoveArquivoSubstituindo(
          lista.Directory + UnArquivos::SEPARADOR + recibo,
          RetornaPastaCTe(5, it_sPastaRaizCTe, it_sCNPJEmpresa) + recibo);
      MoveErro(lista, atual, &iLotesErro);
    }
  });
  // Receipts that could not be taken with their lot file are tried on their own.
  for (auto i = recibosPendentes_.begin(); i != recibosPendentes_.end();) {
    const auto [caminho, pendente] = *i++;
    if (caminho.rfind(lista.Directory, 0) != 0) continue;  // another company's
    it_iID_CTe = pendente.first;
    TentaRecibo(doc, lista, pasta, pendente.second);
  }
}

void TMonitorCTe::TentaRecibo(UnXml::XmlDocumento& doc, TFileListBox& lista,
                              const std::string& pasta, const std::string& lote) {
  const std::string caminho = RetornaPastaCTe(3, it_sPastaRaizCTe, it_sCNPJEmpresa) +
                              UnLeituraRespostas::RetornaNomeRecibo(lote);
  try {
    ProcessaRecibo(doc, lista, pasta, lote);
    recibosPendentes_.erase(caminho);
    EncerraEspera(caminho, "gravado");
  } catch (const std::exception& erro) {
    // The receipt waits (and is set aside) by itself; the lot file goes on to its own end.
    TrataFalhaArquivo(lista, caminho, erro, nullptr);
    if (UnArquivos::ExisteArquivo(caminho))
      recibosPendentes_[caminho] = {it_iID_CTe, lote};
    else
      recibosPendentes_.erase(caminho);
  }
}

void TMonitorCTe::GravaNumeroLote(int32_t id, int32_t lote) {
  ExecutaAlteracao(UnComandosSql::MontaGravaNumeroLote(id, lote));
}

void TMonitorCTe::ProcessaRecibo(UnXml::XmlDocumento& doc, TFileListBox& lista,
                                 const std::string& /*pasta*/, const std::string& lote) {
  it_sNomeArquivo = UnLeituraRespostas::RetornaNomeRecibo(lote);
  const std::string caminho = RetornaPastaCTe(3, it_sPastaRaizCTe, it_sCNPJEmpresa) + it_sNomeArquivo;
  if (!UnFuncoesCTe::EhArquivoCTe(caminho)) return;
  const std::string pastaOK = RetornaPastaCTe(12, it_sPastaRaizCTe, it_sCNPJEmpresa);
  if (!UnArquivos::ExistePasta(pastaOK)) UnArquivos::CriaPasta(pastaOK);
  if (!UnArquivos::ExisteArquivo(caminho)) return;
  doc.Carrega(caminho);
  const UnLeituraRespostas::ReciboLido recibo = UnLeituraRespostas::LeRecibo(doc);
  // A lot refused at reception comes without infRec: its status alone is recorded.
  ExecutaAlteracao(recibo.bTemInfRec ? UnComandosSql::MontaGravaRecibo(recibo, it_iID_CTe)
                                     : UnComandosSql::MontaGravaStatusRecibo(recibo.sStatus,
                                                                             it_iID_CTe));
  if (recibo.sStatus == "103") {
    // The lot file's own move follows at once and reads the folder again.
    MoveSucesso(lista, caminho, 12);
    ++iConfirmacaoRecebida;
    ++iPedidosGerados;
  } else {
    MoveErro(lista, caminho, nullptr);
    RegistraRecusa(recibo.sStatus, UnLeituraRespostas::LeMotivo(doc), OndeEsta(caminho, 5), "");
  }
}
