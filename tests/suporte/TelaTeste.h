#pragma once
// A screen that records what the core showed and answers questions as told.
#include <functional>
#include <string>
#include <vector>

#include "shell/UnTela.h"

class TelaTeste : public UnTela::Tela {
 public:
  struct Notificacao {
    std::string sTexto, sTitulo;
    unsigned iFlags;
  };
  void MostraVersao(const std::string& texto) override { sVersao = texto; }
  void MostraArquivo(const std::string& nome) override {
    sArquivo = nome;
    if (!nome.empty()) arquivosMostrados.push_back(nome);
  }
  void MostraContadores(const std::array<std::string, UnTela::QUANTIDADE_CONTADORES>& v) override {
    contadores = v;
    ++iMostrasContadores;
  }
  // Recorded and left waiting, as a user away from the workstation leaves it.
  void PerguntaSemEspera(const std::string& texto, const std::string& arquivo,
                         std::function<void()> seSim) override {
    perguntas.push_back(texto);
    arquivosPerguntados.push_back(arquivo);
    respostasPendentes.push_back(std::move(seSim));
  }
  // The user comes back and answers every waiting question.
  void RespondePendentes(bool bSim) {
    auto pendentes = std::move(respostasPendentes);
    respostasPendentes.clear();
    if (bSim)
      for (auto& seSim : pendentes) seSim();
  }
  void MostraNotificacao(const std::string& texto, const std::string& titulo,
                         unsigned flags) override {
    notificacoes.push_back({texto, titulo, flags});
  }
  void MostraAviso(const std::string& texto, bool confirmacao, bool fechaAutomatico) override {
    avisos.push_back(texto);
    (void)confirmacao;
    (void)fechaAutomatico;
  }
  void ProcessaMensagens() override {
    ++iMensagensProcessadas;
    if (aoProcessarMensagens) aoProcessarMensagens();
  }
  void MostraCicloParado(const std::string& mensagem) override { ciclosParados.push_back(mensagem); }
  void MostraSituacaoArquivo(const std::string& linha) override { situacoes.push_back(linha); }
  void MostraEspera(size_t quantidade, int64_t iIdadeMs, const std::string& motivo) override {
    iEsperando = quantidade;
    iIdadeEspera = iIdadeMs;
    sMotivoComum = motivo;
  }
  void MostraDuvidas(size_t quantidade) override { iDuvidas = quantidade; }
  void MostraOcorrencia(const UnOcorrencias::Ocorrencia& o, bool bAnterior) override {
    (bAnterior ? ocorrenciasAnteriores : ocorrencias).push_back(o);
  }

  std::string sVersao, sArquivo;
  std::vector<std::string> arquivosMostrados;
  std::array<std::string, UnTela::QUANTIDADE_CONTADORES> contadores{};
  int iMostrasContadores = 0;
  std::vector<std::string> perguntas;
  std::vector<std::string> arquivosPerguntados;
  std::vector<std::function<void()>> respostasPendentes;
  std::vector<Notificacao> notificacoes;
  std::vector<std::string> avisos;
  std::vector<std::string> ciclosParados;
  std::vector<std::string> situacoes;
  size_t iEsperando = 0;
  size_t iDuvidas = 0;
  int64_t iIdadeEspera = 0;
  std::string sMotivoComum;
  std::vector<UnOcorrencias::Ocorrencia> ocorrencias, ocorrenciasAnteriores;
  int iMensagensProcessadas = 0;
  std::function<void()> aoProcessarMensagens;
};
