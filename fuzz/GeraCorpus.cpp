// Writes the seed corpus of the answer-file targets with the tests' answer builders:
// gera_corpus <folder> creates <folder>/<target>/<n>.xml.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "suporte/PastaTemporaria.h"
#include "suporte/RespostasTeste.h"

namespace R = RespostasTeste;

namespace {

void Grava(const std::string& pasta, const std::string& alvo, const std::vector<std::string>& xmls) {
  int n = 0;
  for (const std::string& xml : xmls)
    EscreveArquivo(pasta + "/" + alvo + "/" + std::to_string(++n) + ".xml", xml);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "uso: gera_corpus <pasta>\n");
    return 2;
  }
  const std::string pasta = argv[1];
  R::InfRec semRecibo;
  semRecibo.nRec = std::nullopt;
  semRecibo.tMed = "";
  const std::vector<std::string> lote = {
      R::NumeroLote("123"), R::NumeroLote("00123"), R::NumeroLote(std::nullopt),
      R::NumeroLote("4294967296"), R::Recibo("103", R::InfRec{}), R::Recibo("215", std::nullopt),
      R::Recibo("103", semRecibo)};
  R::InfProt rejeitado;
  rejeitado.cStat = "204";
  rejeitado.nProt = std::nullopt;
  const std::vector<std::string> protocolo = {
      R::ResultadoLote("100", R::InfProt{}), R::ResultadoLote("104", R::InfProt{}),
      R::ResultadoLote("100", rejeitado), R::ResultadoLote("100", std::nullopt),
      R::RetornoCTe("100", R::InfProt{})};
  R::EventoSituacao passagem;
  passagem.tpEvento = "310620";
  R::EventoSituacao fim;
  fim.tpEvento = "110112";
  R::EventoSituacao semEvento;
  semEvento.bComEventoCTe = false;
  const std::vector<std::string> situacao = {
      R::Situacao("100", R::InfProt{}), R::Situacao("101", R::InfProt{}, {R::EventoSituacao{}}),
      R::Situacao("101", R::InfProt{}, {passagem, semEvento, R::EventoSituacao{}}),
      R::Situacao("132", R::InfProt{}, {passagem, fim, R::EventoSituacao{}}),
      R::Situacao("100", std::nullopt)};
  R::InfEvento semChave;
  semChave.chCTe = std::nullopt;
  R::InfEvento recusado;
  recusado.cStat = "573";
  const std::vector<std::string> evento = {R::RetornoEvento(R::InfEvento{}),
                                           R::RetornoEvento(semChave), R::RetornoEvento(recusado),
                                           R::RetornoEvento(std::nullopt)};
  Grava(pasta, "leitura_lote", lote);
  Grava(pasta, "leitura_protocolo", protocolo);
  Grava(pasta, "leitura_situacao", situacao);
  Grava(pasta, "leitura_evento", evento);
  std::vector<std::string> todos;
  for (const auto* grupo : {&lote, &protocolo, &situacao, &evento})
    todos.insert(todos.end(), grupo->begin(), grupo->end());
  Grava(pasta, "conteudo_cte", todos);
  return 0;
}
