// What happened, for a person: one log line a function writes and one reads back, and the
// shell's list and balloons.
#include <algorithm>

#include "platform/UnArquivos.h"
#include "platform/UnMascara.h"
#include "platform/UnLocalidade.h"
#include "processing/UnFuncoesCTe.h"
#include "processing/UnOcorrencias.h"
#include "shell/UnMonitor.h"

namespace {

constexpr size_t TAMANHO_MAXIMO_LOG = 64u << 20;

std::string HoraDoDia(int64_t milissegundos) {
  const UnLocalidade::DataHora d = UnLocalidade::HoraLocal(milissegundos);
  return UnFuncoesCTe::PreencheZeros(std::to_string(d.iHora), 2) + ":" +
         UnFuncoesCTe::PreencheZeros(std::to_string(d.iMinuto), 2) + ":" +
         UnFuncoesCTe::PreencheZeros(std::to_string(d.iSegundo), 2);
}

// The authority's statuses of a denied use; any other refusal is a rejection.
bool EhDenegacao(const std::string& status) {
  return status == "110" || status == "301" || status == "302" || status == "303" ||
         status == "304" || status == "305" || status == "306";
}

}  // namespace

void TMonitorCTe::RegistraOcorrencia(const char* oQue, const std::string& detalhe,
                                     const std::string& arquivo, const std::string& chave,
                                     bool bAlerta) {
  UnOcorrencias::Ocorrencia o;
  o.sHora = HoraDoDia(Hora());
  o.sEmpresa = it_sCNPJEmpresa;
  o.sCTe = UnOcorrencias::NumeroCTe(chave.empty() ? arquivo : chave);
  o.sOQue = oQue;
  o.sDetalhe = NumaLinha(detalhe);
  o.sArquivo = arquivo;
  o.bAlerta = bAlerta;
  Log.Registra(UnOcorrencias::LinhaDoLog(o));
  tela.MostraOcorrencia(o, false);
}

std::string TMonitorCTe::OndeEsta(const std::string& atual, int codigo) const {
  const std::string destino = UnFuncoesCTe::RetornaPastaCTe(codigo, it_sPastaRaizCTe,
                                                            it_sCNPJEmpresa) +
                              atual.substr(atual.rfind(UnArquivos::SEPARADOR) + 1);
  return UnArquivos::ExisteArquivo(destino) ? destino : atual;
}

void TMonitorCTe::CTeNaoEncontrado(TFileListBox& lista, const std::string& atual,
                                   int32_t* contadorProprio, const std::string& chave) {
  MoveErro(lista, atual, contadorProprio);
  RegistraOcorrencia(UnOcorrencias::SEPARADO, "CT-e não encontrado no banco de dados do ERP",
                     OndeEsta(atual, 5), chave, true);
}

void TMonitorCTe::RegistraRecusa(const std::string& status, const std::string& motivo,
                                 const std::string& arquivo, const std::string& chave) {
  RegistraOcorrencia(EhDenegacao(status) ? UnOcorrencias::DENEGADO : UnOcorrencias::REJEITADO,
                     status + (motivo.empty() ? "" : " - " + motivo), arquivo, chave, true);
}

void TMonitorCTe::MostraArquivoDaOcorrencia(const std::string& arquivo) {
  // Below the CT-e root, in a company's folder: never the root itself, never a way up.
  const std::string caminho = UnMascara::MaiusculasAscii(arquivo);
  const std::string raiz = UnMascara::MaiusculasAscii(it_sPastaRaizCTe);
  const std::string subida = std::string(1, UnArquivos::SEPARADOR) + "..";
  const bool bDentro =
      raiz.size() > 1 && caminho.rfind(raiz, 0) == 0 &&
      caminho.find(UnArquivos::SEPARADOR, raiz.size()) != std::string::npos &&
      caminho.find(subida) == std::string::npos &&
      std::none_of(caminho.begin(), caminho.end(),
                   [](char c) { return static_cast<unsigned char>(c) < ' ' || c == '"'; });
  if (!bDentro) {
    Log.Registra("arquivo fora das pastas das empresas não mostrado: " + NumaLinha(arquivo));
    return;
  }
  Executa({"", UnProcessos::EXPLORADOR, arquivo, "", false});
}

void TMonitorCTe::MostraOcorrenciasDoDia() {
  const auto texto = UnArquivos::LeArquivo(Log.ArquivoDoDia(UnLocalidade::HoraLocal(Hora())),
                                           TAMANHO_MAXIMO_LOG);
  if (!texto) return;
  for (const UnOcorrencias::Ocorrencia& o : UnOcorrencias::LeLog(*texto))
    tela.MostraOcorrencia(o, true);
}

void TMonitorCTe::VerificaTransmissor() {
  using UnFuncoesCTe::RetornaPastaCTe;
  const int64_t agora = Monotonico();
  const std::string envio = RetornaPastaCTe(1, it_sPastaRaizCTe, it_sCNPJEmpresa);
  const std::string processamento = RetornaPastaCTe(11, it_sPastaRaizCTe, it_sCNPJEmpresa);
  const std::string estado = RetornaPastaCTe(0, it_sPastaRaizCTe, it_sCNPJEmpresa) +
                             "MonitorCTe-transmissor.txt";
  const auto Dito = [&] { return UnArquivos::LeArquivo(estado, 64).value_or("enviando"); };
  if (!vigiaTransmissor_.Conhece(it_sCNPJEmpresa))
    vigiaTransmissor_.Adota(it_sCNPJEmpresa, Dito() == "parado", agora);
  const auto mudanca = vigiaTransmissor_.Avalia(
      it_sCNPJEmpresa, vigiaTransmissor_.Observa(envio, agora),
      vigiaTransmissor_.Observa(processamento, agora), agora);
  if (!mudanca) return;
  const std::string texto = mudanca->bParado ? "parado" : "enviando";
  const bool bDito = Dito() == texto;
  UnArquivos::GravaPorTemporario(estado + ".tmp", estado, texto, true);
  if (bDito) return;  // told by another workstation already
  RegistraOcorrencia(mudanca->bParado ? UnOcorrencias::TRANSMISSOR_PARADO
                                      : UnOcorrencias::TRANSMISSOR_NORMAL,
                     mudanca->sTexto, envio.substr(0, envio.size() - 1), "", mudanca->bParado);
}
