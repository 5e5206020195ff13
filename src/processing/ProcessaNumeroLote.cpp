// Lot-number files: the lot number of a CT-e, and the receipt of that lot that follows from it.
#include "platform/UnArquivos.h"
#include "processing/UnComandosSql.h"
#include "processing/UnFuncoesCTe.h"
#include "processing/UnLeituraRespostas.h"
#include "shell/UnMonitor.h"

using UnFuncoesCTe::RetornaPastaCTe;

namespace {

// After a receipt was missed or failed, how long every pass looks for it.
constexpr int64_t ESPERA_RECIBO_MS = 10LL * 60 * 1000;
constexpr int64_t PROCURA_RECIBOS_MS = 60LL * 1000;

}  // namespace

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
  ProcessaRecibosSoltos(doc, lista, pasta);
}

void TMonitorCTe::ProcessaRecibosSoltos(UnXml::XmlDocumento& doc, TFileListBox& lista,
                                        const std::string& pasta) {
  // A receipt left in Retorno without its lot file (it came after the lot file, failed with
  // it, or was left by a run that ended or by another workstation) is found by its name: the
  // lot number, which its lot file recorded on the CT-e. Looked for at every pass while one is
  // expected, else once a minute.
  const int64_t agora = Monotonico();
  TProcuraRecibos& procura = recibosSoltos_[pasta];
  if (procura.iUltima != 0 && agora - procura.iUltima < PROCURA_RECIBOS_MS && agora >= procura.iAte)
    return;
  procura.iUltima = agora;
  for (const std::string& nome : UnArquivos::ListaArquivos(lista.Directory, "*-rec.xml")) {
    const std::string lote = nome.substr(0, nome.size() - 8);
    if (lote.size() != 15 || !UnFuncoesCTe::EhNumeroDecimal(lote) ||
        UnLeituraRespostas::RetornaNomeRecibo(lote) != nome)
      continue;
    try {
      ExecutaPesquisa(UnComandosSql::MontaPesquisaCTeDoLote(
          UnLeituraRespostas::ConverteNumeroLote(lote), it_sCNPJEmpresa));
    } catch (const UnFuncoesCTe::EValorInvalido&) {
      continue;  // beyond any lot number the ERP records: not one of its receipts
    }
    it_iID_CTe = static_cast<int32_t>(qryPesquisa->FieldAsInteger("id_cte"));
    // No CT-e has its lot yet: the lot file comes first and records it.
    if (it_iID_CTe != 0) TentaRecibo(doc, lista, pasta, lote);
  }
}

bool TMonitorCTe::TentaRecibo(UnXml::XmlDocumento& doc, TFileListBox& lista,
                              const std::string& pasta, const std::string& lote) {
  const std::string caminho = RetornaPastaCTe(3, it_sPastaRaizCTe, it_sCNPJEmpresa) +
                              UnLeituraRespostas::RetornaNomeRecibo(lote);
  // Recorded already, its move failed: only the move is tried again.
  if (const auto codigo = Esperas.Movimento(caminho, UnArquivos::DataUltimaGravacao(caminho))) {
    TentaMovimento(lista, caminho, *codigo);
    return true;
  }
  // The receipt waits (and is set aside) by itself; the lot file goes on to its own end.
  if (TentaArquivo(lista, caminho, nullptr,
                   [&] { return ProcessaRecibo(doc, lista, pasta, lote); }))
    return true;
  recibosSoltos_[pasta].iAte = Monotonico() + ESPERA_RECIBO_MS;
  return false;
}

void TMonitorCTe::GravaNumeroLote(int32_t id, int32_t lote) {
  ExecutaAlteracao(UnComandosSql::MontaGravaNumeroLote(id, lote));
}

bool TMonitorCTe::ProcessaRecibo(UnXml::XmlDocumento& doc, TFileListBox& lista,
                                 const std::string& /*pasta*/, const std::string& lote) {
  it_sNomeArquivo = UnLeituraRespostas::RetornaNomeRecibo(lote);
  const std::string caminho = RetornaPastaCTe(3, it_sPastaRaizCTe, it_sCNPJEmpresa) + it_sNomeArquivo;
  // Not written yet, or not yet whole enough to say what it is: looked for again.
  if (!UnFuncoesCTe::EhArquivoCTe(caminho)) return false;
  const std::string pastaOK = RetornaPastaCTe(12, it_sPastaRaizCTe, it_sCNPJEmpresa);
  if (!UnArquivos::ExistePasta(pastaOK)) UnArquivos::CriaPasta(pastaOK);
  if (!UnArquivos::ExisteArquivo(caminho)) return false;
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
  return true;
}
