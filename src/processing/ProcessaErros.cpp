// Error files of the transmitter: counted, moved to "Erro" and offered for viewing.
// Their content is never read; an error of a processing result named by its CT-e puts that
// CT-e in doubt.
#include "processing/UnFuncoesCTe.h"
#include "shell/UnMonitor.h"

namespace {

constexpr const char* SUFIXO_ERRO_PROTOCOLO = "-pro-rec.err";

// The send of a CT-e failed after it may have reached the authority (its processing result is
// an error, named by the CT-e): its fate is asked. Whichever member takes the file: the
// receipt's mask takes these too.
void DuvidaDoErro(TMonitorCTe& m, const std::string& nome) {
  const size_t fim = nome.rfind(SUFIXO_ERRO_PROTOCOLO);
  if (fim == std::string::npos) return;
  const std::string identificador = nome.substr(0, fim);
  const std::string chave = UnFuncoesCTe::ChaveCTe(identificador);
  if (chave.empty()) return;
  m.RegistraDuvida(chave, identificador, m.AmbienteDoEnvio(identificador),
                   "o envio falhou depois de talvez chegar à SEFAZ (" + nome + ")");
}

void ProcessaArquivosErro(TMonitorCTe& m, TFileListBox& lista, const std::string& pasta,
                          const std::string& mascara, int32_t& contador) {
  m.tela.ProcessaMensagens();
  m.PercorreArquivos(lista, pasta, mascara, nullptr,
                     [&](const std::string& atual, const std::string& nome) {
    m.tela.ProcessaMensagens();
    if (!UnFuncoesCTe::EhArquivoCTe(atual)) return;
    m.MostraArquivo(nome);
    DuvidaDoErro(m, nome);
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
