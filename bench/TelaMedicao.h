#pragma once
// A silent screen for the measured monitor: it only counts what the core showed, so the
// measurement can check that the work was done.
#include "shell/UnTela.h"

class TelaMedicao : public UnTela::Tela {
 public:
  void MostraVersao(const std::string&) override {}
  void MostraArquivo(const std::string&) override {}
  void MostraContadores(const std::array<std::string, UnTela::QUANTIDADE_CONTADORES>&) override {
    ++iContadores;
  }
  void PerguntaSemEspera(const std::string&, const std::string&, std::function<void()>) override {
    ++iPerguntas;
  }
  void MostraNotificacao(const std::string&, const std::string&, unsigned) override {
    ++iNotificacoes;
  }
  void MostraAviso(const std::string&, bool, bool) override {}
  void ProcessaMensagens() override {}
  void MostraCicloParado(const std::string& mensagem) override {
    if (!mensagem.empty()) ++iCiclosParados;
  }
  void MostraSituacaoArquivo(const std::string&) override {}
  void MostraEspera(size_t, int64_t, const std::string&) override {}
  void MostraDuvidas(size_t) override {}
  void MostraOcorrencia(const UnOcorrencias::Ocorrencia&, bool) override {}

  long iContadores = 0, iPerguntas = 0, iNotificacoes = 0, iCiclosParados = 0;
};
