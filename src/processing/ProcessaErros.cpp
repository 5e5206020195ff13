// Error files of the transmitter: counted, moved to "Erro" and offered for viewing.
// Their content is never read.
#include "processing/UnFuncoesCTe.h"
#include "shell/UnMonitor.h"

namespace {

void ProcessaArquivosErro(TMonitorCTe& m, TFileListBox& lista, const std::string& pasta,
                          const std::string& mascara, int32_t& contador) {
  m.tela.ProcessaMensagens();
  m.PercorreArquivos(lista, pasta, mascara, nullptr,
                     [&](const std::string& atual, const std::string& nome) {
    m.tela.ProcessaMensagens();
    if (!UnFuncoesCTe::EhArquivoCTe(atual)) return;
    m.MostraArquivo(nome);
    m.MoveParaErro(lista, atual, {&contador}, true, false);
  });
}

}  // namespace

void TMonitorCTe::ProcessaErroRecibo(UnXml::XmlDocumento&, TFileListBox& lista,
                                     const std::string& pasta) {
  ProcessaArquivosErro(*this, lista, pasta, "*-rec.err*", iLotesErro);
}

void TMonitorCTe::ProcessaErroSituacao(UnXml::XmlDocumento&, TFileListBox& lista,
                                       const std::string& pasta) {
  ProcessaArquivosErro(*this, lista, pasta, "*-sit.err*", iConsultasCTeErro);
}

void TMonitorCTe::ProcessaErroProtocolo(UnXml::XmlDocumento&, TFileListBox& lista,
                                        const std::string& pasta) {
  ProcessaArquivosErro(*this, lista, pasta, "*-pro-rec.err*", iConfirmacaoErro);
}

void TMonitorCTe::ProcessaErroCTe(UnXml::XmlDocumento&, TFileListBox& lista,
                                  const std::string& pasta) {
  ProcessaArquivosErro(*this, lista, pasta, "*cte.err*", iConfirmacaoErro);
}

void TMonitorCTe::ProcessaErroLote(UnXml::XmlDocumento&, TFileListBox& lista,
                                   const std::string& pasta) {
  ProcessaArquivosErro(*this, lista, pasta, "*env-loterps.err*", iConfirmacaoErro);
}

void TMonitorCTe::ProcessaErroEvento(UnXml::XmlDocumento&, TFileListBox& lista,
                                     const std::string& pasta) {
  ProcessaArquivosErro(*this, lista, pasta, "*-eve.err*", iConsultasCTeErro);
}
