// The skeleton every answer-file processor follows: the list of its files, the pick of the
// next one, the success and error moves, and the statement idioms.
#include "platform/UnArquivos.h"
#include "platform/UnLocalidade.h"
#include "processing/UnClassesErro.h"
#include "processing/UnFuncoesCTe.h"
#include "shell/UnMonitor.h"

using UnFuncoesCTe::RetornaPastaCTe;

namespace {

std::string SemSeparadorFinal(const std::string& pasta) {
  if (!pasta.empty() && pasta.back() == UnArquivos::SEPARADOR)
    return pasta.substr(0, pasta.size() - 1);
  return pasta;
}

std::string NomeDoCaminho(const std::string& caminho) {
  const size_t barra = caminho.rfind(UnArquivos::SEPARADOR);
  return barra == std::string::npos ? caminho : caminho.substr(barra + 1);
}

std::string Desde(int64_t milissegundos) {
  return UnLocalidade::FormataDataHoraPadrao(UnLocalidade::HoraLocal(milissegundos));
}


}  // namespace

void TMonitorCTe::IniciaProcessador(TFileListBox& lista, const std::string& pasta,
                                    const std::string& mascara) {
  lista.Mask = mascara;
  lista.Clear();
  lista.Directory = SemSeparadorFinal(pasta);
  lista.Update();
  sArquivosVistos.clear();
}

bool TMonitorCTe::SelecionaProximo(TFileListBox& lista) {
  it_iID_CTe = 0;
  // A file that stayed in place keeps its place in the list; take each name once per run.
  for (size_t i = 0; i < lista.Items.size(); ++i) {
    if (sArquivosVistos.insert(lista.Items[i]).second) {
      lista.ItemIndex = static_cast<int>(i);
      return true;
    }
  }
  lista.ItemIndex = -1;
  return false;
}

void TMonitorCTe::PercorreArquivos(TFileListBox& lista, const std::string& pasta,
                                   const std::string& mascara, int32_t* contadorErro,
                                   const TrataArquivo& trata) {
  IniciaProcessador(lista, pasta, mascara);
  Esperas.EsqueceAusentes(SemSeparadorFinal(pasta) + UnArquivos::SEPARADOR,
                          [](const std::string& c) { return UnArquivos::ExisteArquivo(c); });
  while (SelecionaProximo(lista)) {
    const std::string atual = lista.FileName();
    const std::string nome = lista.NomeSelecionado();
    try {
      trata(atual, nome);
      EncerraEspera(atual, "gravado");
      // A file the processor leaves in place (not an answer of the monitor's, a move that
      // failed) is told once, not at every pass.
      if (UnArquivos::ExisteArquivo(atual) && sArquivosMantidos.insert(atual).second)
        RegistraArquivo(atual, "mantido", 0);
    } catch (const std::exception& erro) {
      const UnClassesErro::ClasseErro classe = UnClassesErro::ClassificaErro(erro);
      if (classe != UnClassesErro::ClasseErro::ConflitoLinha &&
          classe != UnClassesErro::ClasseErro::FalhaArquivo)
        throw;
      AguardaArquivo(lista, atual, classe == UnClassesErro::ClasseErro::ConflitoLinha,
                     erro.what(), contadorErro);
    }
    MostraArquivo("");
  }
}

void TMonitorCTe::AguardaArquivo(TFileListBox& lista, const std::string& atual, bool bConflito,
                                 const std::string& detalhe, int32_t* contadorErro) {
  using UnArquivosEmEspera::TextoMotivo;
  const std::string motivo = NumaLinha(detalhe);
  const auto decisao =
      Esperas.RegistraFalha(atual, bConflito, motivo, UnArquivos::DataUltimaGravacao(atual),
                            UnLocalidade::AgoraMilissegundos());
  const UnArquivosEmEspera::Espera espera = Esperas.Esperas().at(atual);  // a copy: it may leave
  if (decisao.bSepara) {
    Esperas.Remove(atual);
    InformaArquivo(atual, "separado para Erro, inalterado e com falha desde " +
                              Desde(espera.iDesde) + ": " + motivo);
    MoveErro(lista, atual, contadorErro);
    return;
  }
  // A file still being written is no news; a conflict or a failure is, once.
  if (decisao.bMudouEstado && espera.motivo != UnArquivosEmEspera::Motivo::Incompleto)
    InformaArquivo(atual, "aguardando (" + TextoMotivo(espera.motivo) + ") desde " +
                              Desde(espera.iDesde) + ": " + motivo);
}

void TMonitorCTe::EncerraEspera(const std::string& atual, const std::string& desfecho) {
  const auto espera = Esperas.Remove(atual);
  if (espera && espera->motivo != UnArquivosEmEspera::Motivo::Incompleto)
    InformaArquivo(atual, desfecho + " depois de aguardar desde " +
                              Desde(espera->iDesde));
}

void TMonitorCTe::InformaArquivo(const std::string& caminho, const std::string& situacao) {
  RegistraArquivo(caminho, situacao, it_iID_CTe);
  tela.MostraSituacaoArquivo(NomeDoCaminho(caminho) + ": " + situacao);
}

void TMonitorCTe::RegistraArquivo(const std::string& caminho, const std::string& rota,
                                  int32_t id) {
  Log.Registra("empresa " + it_sCNPJEmpresa + " | " + NomeDoCaminho(caminho) + " | " + rota +
               " | id_cte " + (id ? std::to_string(id) : std::string("-")));
}

// The list was read when the processor started; a moved file just leaves it, and what the
// transmitter writes meanwhile is met in the next pass.
void TMonitorCTe::MoveSucesso(TFileListBox& lista, const std::string& atual, int codigo) {
  if (UnArquivos::MoveArquivoSubstituindo(
          atual, RetornaPastaCTe(codigo, it_sPastaRaizCTe, it_sCNPJEmpresa) + NomeDoCaminho(atual))) {
    RegistraArquivo(atual, "OK", it_iID_CTe);
    lista.Remove(NomeDoCaminho(atual));
  }
}

void TMonitorCTe::MoveErro(TFileListBox& lista, const std::string& atual,
                           int32_t* contadorProprio, bool pergunta) {
  ++iConfirmacaoErro;
  const std::string destino =
      RetornaPastaCTe(5, it_sPastaRaizCTe, it_sCNPJEmpresa) + NomeDoCaminho(atual);
  if (UnArquivos::MoveArquivoSubstituindo(atual, destino)) {
    RegistraArquivo(atual, "Erro", it_iID_CTe);
    lista.Remove(NomeDoCaminho(atual));
  }
  if (pergunta) MostraArquivoErro(destino);
  if (contadorProprio) ++*contadorProprio;
}

void TMonitorCTe::ExecutaAlteracao(const std::string& sql) {
  qryUpdate->Close();
  qryUpdate->SQL = sql;
  qryUpdate->ExecSQL();
  qryUpdate->Close();
  qryUpdate->SQL = " commit retain";
  qryUpdate->ExecSQL();
}

void TMonitorCTe::ExecutaPesquisa(const std::string& sql) {
  qryPesquisa->Close();
  qryPesquisa->SQL = sql;
  qryPesquisa->Open();
}

void TMonitorCTe::MostraArquivoErro(const std::string& caminho) {
  // The pass goes on at once: an unattended workstation must not hold the other files, nor
  // the company's lock, until someone answers.
  tela.PerguntaSemEspera(
      "Ocorreu um erro na geração deste CT-e. Deseja visualizar o arquivo de erro?",
      [this, caminho] { Executa({"", "explorer", caminho, "", false}); });
}
