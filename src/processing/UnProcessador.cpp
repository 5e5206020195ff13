// The skeleton every answer-file processor follows: the list of its files, the pick of the
// next one, the success and error moves, and the statement idioms.
#include <set>

#include "platform/UnArquivos.h"
#include "platform/UnLocalidade.h"
#include "processing/UnClassesErro.h"
#include "processing/UnFuncoesCTe.h"
#include "processing/UnOcorrencias.h"
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

constexpr int64_t ESQUECIMENTO_MS = 60LL * 1000;

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
  sUltimoSelecionado_.reset();
  iUltimoSelecionado_ = 0;
}

bool TMonitorCTe::SelecionaProximo(TFileListBox& lista) {
  it_iID_CTe = 0;
  // The list is taken in order, each name once per run. A file that stayed in place keeps its
  // place, and the next name follows it; one that moved left the list, and the next name stands
  // where it stood.
  size_t i = 0;
  if (sUltimoSelecionado_) {
    i = iUltimoSelecionado_;
    if (i < lista.Items.size() && lista.Items[i] == *sUltimoSelecionado_) ++i;
  }
  if (i < lista.Items.size()) {
    lista.ItemIndex = static_cast<int>(i);
    iUltimoSelecionado_ = i;
    sUltimoSelecionado_ = lista.Items[i];
    return true;
  }
  lista.ItemIndex = -1;
  return false;
}

void TMonitorCTe::PercorreArquivos(TFileListBox& lista, const std::string& pasta,
                                   const std::string& mascara, int32_t* contadorErro,
                                   const TrataArquivo& trata) {
  IniciaProcessador(lista, pasta, mascara);
  while (SelecionaProximo(lista)) {
    const std::string atual = lista.FileName();
    const std::string nome = lista.NomeSelecionado();
    // Left in place and unchanged since: nothing in it could lead elsewhere now.
    const int64_t agora = Monotonico();
    if (Mantidos.VistoHaPouco(atual, agora)) continue;
    const auto gravacao = UnArquivos::DataUltimaGravacao(atual);
    if (Mantidos.Inalterado(atual, gravacao, agora)) continue;
    // Handled already, its move failed: only the move is tried again.
    if (const auto codigo = Esperas.Movimento(atual, gravacao)) {
      TentaMovimento(lista, atual, *codigo);
      continue;
    }
    // A file the processor leaves in place (not an answer of the monitor's) is told once, and
    // read again only once it changes. Kept with the last write seen before its turn, and only
    // when nothing says the transmitter may still be writing it: an empty file, one written
    // during its turn or in the last seconds, is looked at again at the next pass.
    if (TentaArquivo(lista, atual, contadorErro, [&] {
          trata(atual, nome);
          return true;
        }) &&
        gravacao && UnArquivos::DataUltimaGravacao(atual) == gravacao &&
        !UnArquivosEmEspera::GravacaoRecente(*gravacao, Hora()) &&
        UnArquivos::Tamanho(atual).value_or(0) > 0 && !Esperas.Movimento(atual, gravacao) &&
        Mantidos.Registra(atual, gravacao, agora))
      RegistraArquivo(atual, "mantido", 0);
    MostraArquivo("");
  }
}

bool TMonitorCTe::TentaArquivo(TFileListBox& lista, const std::string& atual,
                               int32_t* contadorErro, const std::function<bool()>& trata) {
  try {
    if (!trata()) return false;
    EncerraEspera(atual, "gravado");
    return true;
  } catch (const std::exception& erro) {
    TrataFalhaArquivo(lista, atual, erro, contadorErro);
    return false;
  }
}

void TMonitorCTe::EsqueceAusentes(const std::string& pasta) {
  // One listing a minute, not a look at every file kept at every pass: a folder may hold
  // thousands left alone, and what is kept of one that left costs nothing meanwhile.
  int64_t& ultima = esquecimentos_[pasta];
  if (ultima != 0 && Monotonico() - ultima < ESQUECIMENTO_MS) return;
  ultima = Monotonico();
  // Listed only when something of the folder is kept: a pass over thousands of answers, all
  // taken, must not hold a second copy of their names.
  const std::string semSeparador = SemSeparadorFinal(pasta);
  const std::string prefixo = semSeparador + UnArquivos::SEPARADOR;
  std::optional<std::set<std::string>> presentes;
  const auto existe = [&](const std::string& c) {
    if (!presentes) {
      presentes.emplace();
      for (std::string& nome : UnArquivos::ListaEntradas(semSeparador, "*"))
        presentes->insert(std::move(nome));
    }
    return presentes->count(c.substr(prefixo.size())) > 0;
  };
  Esperas.EsqueceAusentes(prefixo, existe);
  Mantidos.EsqueceAusentes(prefixo, existe);
}

bool TMonitorCTe::BancoResponde() {
  try {
    UnFirebird::TIBQuery consulta(BancoDados());
    consulta.SQL = "select 1 from rdb$database";
    consulta.Open();
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

void TMonitorCTe::TrataFalhaArquivo(TFileListBox& lista, const std::string& atual,
                                    const std::exception& erro, int32_t* contadorErro) {
  using UnArquivosEmEspera::Motivo;
  using UnClassesErro::ClasseErro;
  ClasseErro classe = UnClassesErro::ClassificaErro(erro);
  // An error no class names is the file's while the database still answers.
  if (classe == ClasseErro::Indefinida)
    classe = BancoResponde() ? ClasseErro::Recusa : ClasseErro::ConexaoPerdida;
  if (classe == ClasseErro::ConexaoPerdida) throw;
  const Motivo motivo =
      classe == ClasseErro::ConflitoLinha                           ? Motivo::Conflito
      : classe == ClasseErro::Quebrado                              ? Motivo::Quebrado
      : classe == ClasseErro::Grande                                ? Motivo::Grande
      : dynamic_cast<const UnFirebird::EIBError*>(&erro) != nullptr ? Motivo::RecusaBanco
                                                                    : Motivo::FalhaLeitura;
  AguardaArquivo(lista, atual, motivo, erro.what(), contadorErro);
}

void TMonitorCTe::AguardaArquivo(TFileListBox& lista, const std::string& atual,
                                 UnArquivosEmEspera::Motivo motivoFalha,
                                 const std::string& detalhe, int32_t* contadorErro) {
  using UnArquivosEmEspera::TextoMotivo;
  const std::string motivo = NumaLinha(detalhe);
  const auto decisao = Esperas.RegistraFalha(
      atual, motivoFalha, motivo, UnArquivos::DataUltimaGravacao(atual),
      Monotonico(), Hora());
  const UnArquivosEmEspera::Espera espera = Esperas.Esperas().at(atual);  // a copy: it may leave
  if (decisao.bSepara) {
    // Counted once it is in Erro; a move that fails is told once and tried at every pass.
    if (MoveParaErro(lista, atual, {&iConfirmacaoErro, contadorErro}, true, true)) {
      Esperas.Remove(atual);
      const bool bGrande = espera.motivo == UnArquivosEmEspera::Motivo::Grande;
      InformaArquivo(atual, bGrande ? "separado para Erro: " + motivo
                                    : "separado para Erro, inalterado e mal formado desde " +
                                          Desde(espera.iDesdeHora) + ": " + motivo);
      RegistraOcorrencia(UnOcorrencias::SEPARADO, TextoMotivo(espera.motivo) + ": " + motivo,
                         OndeEsta(atual, 5), "", true);
    } else if (Esperas.MarcaSeparacaoFalhou(atual)) {
      InformaArquivo(atual, "não pôde ser separado para Erro; nova tentativa a cada passo");
    }
    return;
  }
  if (espera.motivo != UnArquivosEmEspera::Motivo::Incompleto &&
      Monotonico() - espera.iDesde >= UnArquivosEmEspera::TArquivosEmEspera::ESPERA_LONGA_MS &&
      Esperas.MarcaLongaAvisada(atual))
    RegistraOcorrencia(UnOcorrencias::AGUARDANDO,
                       UnArquivosEmEspera::TextoMotivo(espera.motivo) + ": " + motivo, atual, "",
                       true);
  // A file still being written is no news; a conflict or a failure is, once. A refusal that
  // other files share is said once for them all when the pass ends; the log keeps each file.
  if (decisao.bMudouEstado && espera.motivo != UnArquivosEmEspera::Motivo::Incompleto) {
    const std::string linha = "aguardando (" + TextoMotivo(espera.motivo) + ") desde " +
                              Desde(espera.iDesdeHora) + ": " + motivo;
    if (Esperas.Compartilhado(atual))
      RegistraArquivo(atual, linha, it_iID_CTe);
    else
      InformaArquivo(atual, linha);
  }
}

void TMonitorCTe::EncerraEspera(const std::string& atual, const std::string& desfecho) {
  const auto espera = Esperas.Remove(atual);
  if (espera && espera->motivo != UnArquivosEmEspera::Motivo::Incompleto)
    InformaArquivo(atual, desfecho + " depois de aguardar desde " +
                              Desde(espera->iDesdeHora));
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
void TMonitorCTe::MoveSucesso(TFileListBox& lista, const std::string& atual, int codigo,
                              const std::string& rota) {
  if (UnArquivos::MoveArquivoSubstituindo(
          atual, RetornaPastaCTe(codigo, it_sPastaRaizCTe, it_sCNPJEmpresa) + NomeDoCaminho(atual))) {
    RegistraArquivo(atual, rota, it_iID_CTe);
    lista.Remove(NomeDoCaminho(atual));
  } else if (Esperas.RegistraMovimento(atual, codigo, UnArquivos::DataUltimaGravacao(atual),
                                       Monotonico())) {
    InformaArquivo(atual, "gravado, mas não pôde ser movido para Retorno\\OK; nova tentativa a "
                          "cada passo");
  }
}

void TMonitorCTe::MoveErro(TFileListBox& lista, const std::string& atual,
                           int32_t* contadorProprio, bool pergunta) {
  MoveParaErro(lista, atual, {&iConfirmacaoErro, contadorProprio}, pergunta, false);
}

bool TMonitorCTe::MoveParaErro(TFileListBox& lista, const std::string& atual,
                               std::initializer_list<int32_t*> contadores, bool pergunta,
                               bool bContaSoMovido) {
  const std::string destino =
      RetornaPastaCTe(5, it_sPastaRaizCTe, it_sCNPJEmpresa) + NomeDoCaminho(atual);
  const bool bMovido = UnArquivos::MoveArquivoSubstituindo(atual, destino);
  if (!bMovido && bContaSoMovido) return false;
  for (int32_t* contador : contadores)
    if (contador) ++*contador;
  if (bMovido) {
    RegistraArquivo(atual, "Erro", it_iID_CTe);
    lista.Remove(NomeDoCaminho(atual));
  } else {
    // One error, not one per pass: the next passes only try the move again.
    Esperas.RegistraMovimento(atual, 5, UnArquivos::DataUltimaGravacao(atual), Monotonico());
    InformaArquivo(atual, "não pôde ser movido para Erro; nova tentativa a cada passo");
  }
  if (pergunta) MostraArquivoErro(bMovido ? destino : atual);
  return bMovido;
}

void TMonitorCTe::TentaMovimento(TFileListBox& lista, const std::string& atual, int codigo) {
  const std::string nome = NomeDoCaminho(atual);
  if (!UnArquivos::MoveArquivoSubstituindo(
          atual, RetornaPastaCTe(codigo, it_sPastaRaizCTe, it_sCNPJEmpresa) + nome)) {
    if (Esperas.MovimentoLongo(atual, Monotonico()))
      RegistraOcorrencia(UnOcorrencias::AGUARDANDO,
                         std::string("não pôde ser movido para ") +
                             (codigo == 5 ? "Erro" : "Retorno\\OK") +
                             "; nova tentativa a cada passo",
                         atual, "", true);
    return;
  }
  Esperas.RemoveMovimento(atual);
  RegistraArquivo(atual, codigo == 5 ? "Erro" : "OK", 0);
  lista.Remove(nome);
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
      "Ocorreu um erro na geração deste CT-e. Deseja visualizar o arquivo de erro?", caminho,
      [this, caminho] { Executa({"", UnProcessos::EXPLORADOR, caminho, "", false}); });
}
