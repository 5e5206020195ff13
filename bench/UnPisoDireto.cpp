#include "UnPisoDireto.h"

#include <dirent.h>
#include <fnmatch.h>
#include <stdio.h>
#include <strings.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>
#include <stdexcept>

#include "processing/UnComandosSql.h"
#include "processing/UnFuncoesCTe.h"

namespace UnPisoDireto {

using namespace UnRespostasMedicao;

const std::vector<std::string> MASCARAS = {
    "CTe*-num-lot.xml*", "*-pro-rec.xml*", "CTe*-eve.xml*", "*-sit.xml*",       "*-rec.err*",
    "*-sit.err*",        "*-pro-rec.err*", "*cte.err*",     "*env-loterps.err*", "*-eve.err*"};

namespace {

const std::string COMMIT_RETAIN = " commit retain";

bool ExistePasta(const std::string& caminho) {
  struct stat info;
  return stat(caminho.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

void Altera(ConexaoDireta& banco, const std::string& sql) {
  banco.Executa(sql);
  banco.Executa(COMMIT_RETAIN);
}

int32_t PesquisaId(ConexaoDireta& banco, const std::string& sql) {
  const auto linhas = banco.Pesquisa(sql);
  return linhas.empty() ? 0 : std::stoi(linhas.front().front());
}

// The key as the ERP stores it.
std::string ChaveGravada(const CTeMedicao& cte) {
  std::string chave = "CTe";
  chave += cte.sChave;
  return chave;
}

void Move(const std::string& origem, const std::string& destino) {
  if (rename(origem.c_str(), destino.c_str()) != 0)
    throw std::runtime_error("floor could not move " + origem);
}

}  // namespace

std::vector<std::string> ListaPasta(const std::string& pasta, const std::string& mascara) {
  std::vector<std::string> nomes;
  std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(pasta.c_str()), closedir);
  if (!dir) return nomes;
  while (const dirent* e = readdir(dir.get())) {
    if (e->d_name[0] == '.' || e->d_type != DT_REG) continue;
    if (fnmatch(mascara.c_str(), e->d_name, FNM_CASEFOLD) == 0) nomes.emplace_back(e->d_name);
  }
  std::sort(nomes.begin(), nomes.end(), [](const std::string& a, const std::string& b) {
    return strcasecmp(a.c_str(), b.c_str()) < 0;
  });
  return nomes;
}

size_t PassoOcioso(ConexaoDireta& banco) {
  const auto raiz = banco.Pesquisa(" select NM_CAMINHO_RAIZ_CTE from tab_parametro");
  std::string pastaRaiz = raiz.empty() ? std::string() : raiz.front().front();
  if (pastaRaiz.empty() || pastaRaiz.back() != '/') pastaRaiz += '/';
  const auto empresas = banco.Pesquisa(
      " select pe.id_empresa, pe.no_cnpj_cpf from cad_pessoa pe where pe.st_emitente_cte = 'S'"
      " and pe.no_cnpj_cpf is not null");
  size_t vistos = 0;
  for (const auto& empresa : empresas) {
    const std::string pastaEmpresa = pastaRaiz + empresa[1];
    for (const char* sub : {"", "/Envio/", "/Retorno/", "/Erro/", "/Retorno/OK/"})
      if (!ExistePasta(pastaEmpresa + sub)) throw std::runtime_error("floor: folder missing");
    const std::string retorno = pastaEmpresa + "/Retorno";
    for (const std::string& mascara : MASCARAS) vistos += ListaPasta(retorno, mascara).size();
    // The transmitter's queue, which every timed pass looks at.
    for (const char* fila : {"/Envio", "/Enviado/EmProcessamento"})
      vistos += ListaPasta(pastaEmpresa + fila, "*").size();
  }
  banco.Confirma();
  return vistos;
}

void PassoRespostas(ConexaoDireta& banco, const std::string& retorno, const std::string& ok,
                    TipoResposta tipo, const std::vector<CTeMedicao>& ctes, bool relista) {
  using UnFuncoesCTe::TextoData;
  const std::string pasta = retorno.substr(0, retorno.size() - 1);
  const std::string mascara = MascaraTipo(tipo);
  const size_t listados = ListaPasta(pasta, mascara).size();
  if (listados != ctes.size()) throw std::runtime_error("floor: answers missing in Retorno");

  for (const CTeMedicao& cte : ctes) {
    const std::string nome = UnRespostasMedicao::NomeResposta(tipo, cte);
    switch (tipo) {
      case TipoResposta::Situacao: {
        const int32_t id = PesquisaId(banco, UnComandosSql::MontaPesquisaChave(ChaveGravada(cte)));
        UnLeituraRespostas::ProtocoloLido protocolo;
        protocolo.sChave = cte.sChave;
        protocolo.sDataProcessamento = TextoData(UnRespostasMedicao::DATA_AUTORIZACAO);
        protocolo.sStatus = "100";
        protocolo.sProtocolo = UnRespostasMedicao::PROTOCOLO_AUTORIZACAO;
        Altera(banco, UnComandosSql::MontaGravaAutorizacaoSituacao("100", protocolo, id));
        break;
      }
      case TipoResposta::Evento: {
        const int32_t id = PesquisaId(banco, UnComandosSql::MontaPesquisaChave(ChaveGravada(cte)));
        UnLeituraRespostas::EventoLido evento;
        evento.sChave = cte.sChave;
        evento.sDataRegistro = TextoData(UnRespostasMedicao::DATA_EVENTO);
        evento.sStatus = "135";
        evento.sProtocolo = UnRespostasMedicao::PROTOCOLO_EVENTO;
        evento.sTipo = UnLeituraRespostas::EVENTO_CANCELAMENTO;
        Altera(banco, UnComandosSql::MontaGravaCancelamentoEvento(evento, id));
        break;
      }
      case TipoResposta::NumeroLote: {
        const int32_t id = PesquisaId(
            banco, UnComandosSql::MontaPesquisaLote(cte.sChave.substr(25, 9), cte.sChave.substr(35, 8)));
        Altera(banco, UnComandosSql::MontaGravaNumeroLote(id, cte.iLote));
        UnLeituraRespostas::ReciboLido recibo;
        recibo.sStatus = "103";
        recibo.bTemInfRec = true;
        recibo.sRecibo = UnRespostasMedicao::RECIBO;
        recibo.sDataRecebimento = TextoData(UnRespostasMedicao::DATA_RECIBO);
        recibo.sTempoMedio = UnRespostasMedicao::TEMPO_MEDIO;
        Altera(banco, UnComandosSql::MontaGravaRecibo(recibo, id));
        const std::string nomeRecibo = UnRespostasMedicao::NomeRecibo(cte);
        Move(retorno + nomeRecibo, ok + nomeRecibo);
        break;
      }
    }
    Move(retorno + nome, ok + nome);
    if (relista) ListaPasta(pasta, mascara);
  }
  banco.Confirma();
}

}  // namespace UnPisoDireto
