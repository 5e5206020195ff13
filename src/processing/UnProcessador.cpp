// The skeleton every answer-file processor follows: the list of its files, the pick of the
// next one, the success and error moves, and the statement idioms.
#include "platform/UnArquivos.h"
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

}  // namespace

void TMonitorCTe::IniciaProcessador(TFileListBox& lista, const std::string& pasta,
                                    const std::string& mascara) {
  lista.Mask = mascara;
  lista.Clear();
  lista.Directory = SemSeparadorFinal(pasta);
  lista.Update();
  sArquivosVistos.clear();
  sArquivoAtual.clear();
}

bool TMonitorCTe::SelecionaProximo(TFileListBox& lista) {
  // The file of the last turn that is still there was left in place.
  if (!sArquivoAtual.empty() && UnArquivos::ExisteArquivo(sArquivoAtual))
    RegistraArquivo(sArquivoAtual, "mantido", 0);
  sArquivoAtual.clear();
  it_iID_CTe = 0;
  // A file that stayed in place keeps its place in the list; take each name once per run.
  for (size_t i = 0; i < lista.Items.size(); ++i) {
    if (sArquivosVistos.insert(lista.Items[i]).second) {
      lista.ItemIndex = static_cast<int>(i);
      sArquivoAtual = lista.FileName();
      return true;
    }
  }
  lista.ItemIndex = -1;
  return false;
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
