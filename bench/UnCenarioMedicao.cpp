#include "UnCenarioMedicao.h"

#include <chrono>
#include <filesystem>

#include "UnConexaoDireta.h"
#include "database/UnFirebird.h"
#include "platform/UnLocalidade.h"
#include "processing/UnFuncoesCTe.h"
#include "suporte/RespostasTeste.h"

namespace fs = std::filesystem;

namespace UnCenarioMedicao {

using namespace UnRespostasMedicao;

namespace {

std::string Zeros(int64_t valor, int largura) {
  return UnFuncoesCTe::PreencheZeros(std::to_string(valor), largura);
}

// Key of the running document number: the issuer, model and series of the test keys, the
// document number and the numeric code both equal to the sequence.
std::string ChaveDoDocumento(int documento) {
  return "3512061234567800019957001" + Zeros(documento, 9) + "1" + Zeros(documento, 8) + "0";
}

RespostasTeste::InfProt AutorizacaoDe(const CTeMedicao& cte) {
  RespostasTeste::InfProt prot;
  prot.chCTe = cte.sChave;
  prot.dhRecbto = DATA_AUTORIZACAO;
  prot.nProt = PROTOCOLO_AUTORIZACAO;
  return prot;
}

void EscreveComIdade(const std::string& caminho, const std::string& conteudo, int64_t idadeMs) {
  EscreveArquivo(caminho, conteudo);
  fs::last_write_time(caminho,
                      fs::file_time_type::clock::now() - std::chrono::milliseconds(idadeMs));
}

}  // namespace

Cenario::Cenario(int empresas, bool escritaForcada, bool servidor) : inst(servidor) {
  if (!escritaForcada)
    ConexaoDireta::DefineEscritaForcada(inst.banco->Nome(), "sysdba", "tollbrisk", false);
  // The look-ups of the processors by key, and by document number and numeric code, find
  // their row through an index, so the database work the floor shares stays small and the
  // monitor's own cost shows.
  inst.banco->Executa("create index IX_MEDICAO_CHAVE on MOV_CTE_RET (cd_chave_acesso_cte)");
  inst.banco->Executa("create index IX_MEDICAO_CODIGO on MOV_CTE_RET (NO_COD_NUMERICO_CTE)");
  inst.banco->Executa("create index IX_MEDICAO_DOCUMENTO on MOV_CTE (NO_DOC_CTE)");
  for (int i = 1; i <= empresas; ++i) {
    sCnpjs.push_back(Zeros(10000000000000 + i, 14));
    iIdsEmpresas.push_back(inst.banco->AdicionaEmpresa(sCnpjs.back()));
  }
}

std::vector<CTeMedicao> Cenario::AdicionaCTes(int quantidade) {
  UnFirebird::TIBDatabase banco;
  banco.DefineNome(inst.banco->Nome());
  UnFirebird::TIBQuery comando(banco);
  comando.SQL = " select coalesce(max(id_cte), 0) as ultimo from MOV_CTE";
  comando.Open();
  int32_t id = static_cast<int32_t>(comando.FieldAsInteger("ultimo"));
  std::vector<CTeMedicao> ctes;
  for (int i = 0; i < quantidade; ++i) {
    const int documento = iProximoDocumento_++;
    CTeMedicao cte{++id, ChaveDoDocumento(documento), documento};
    comando.SQL = "insert into MOV_CTE (id_cte, NO_DOC_CTE, id_empresa_cte) values (" +
                  std::to_string(cte.iId) + ", " + std::to_string(documento) + ", " +
                  std::to_string(iIdsEmpresas.front()) + ")";
    comando.ExecSQL();
    comando.SQL = "insert into MOV_CTE_RET (id_cte, cd_chave_acesso_cte, NO_COD_NUMERICO_CTE)"
                  " values (" + std::to_string(cte.iId) + ", " +
                  UnFirebird::QuotedStr("CTe" + cte.sChave) + ", " + std::to_string(documento) + ")";
    comando.ExecSQL();
    ctes.push_back(std::move(cte));
  }
  banco.Transacao().Commit();
  banco.Desconecta();
  return ctes;
}

void Cenario::CriaPastas() const {
  for (const std::string& cnpj : sCnpjs) UnFuncoesCTe::CriaPastasCTe(inst.sRaizCTe, cnpj);
}

void Cenario::EscreveArquivosAlheios(int quantidade) const {
  const char* const FINAIS[] = {"-sit.xml", "-pro-rec.xml", "-sit.xml", "-pro-rec.xml",
                                "-sit.err", "-ped-sta.xml"};
  for (int i = 0; i < quantidade; ++i) {
    // An NF-e's key: model 55 where a CT-e's has 57.
    std::string numero = std::to_string(100000000 + i);
    const std::string chave = "3512061234567800019955001" + numero + "1" + numero.substr(1);
    RespostasTeste::EscreveResposta(
        Retorno() + chave + FINAIS[i % 6],
        "<retConsSitNFe xmlns=\"http://www.portalfiscal.inf.br/nfe\"><cStat>100</cStat>"
        "</retConsSitNFe>");
  }
}

void Cenario::EscreveRespostas(TipoResposta tipo, const std::vector<CTeMedicao>& ctes) const {
  using namespace RespostasTeste;
  const std::string pasta = Retorno();
  for (const CTeMedicao& cte : ctes) {
    const std::string caminho = pasta + NomeResposta(tipo, cte);
    switch (tipo) {
      case TipoResposta::Situacao:
        EscreveResposta(caminho, ConteudoSituacao(cte));
        break;
      case TipoResposta::Evento: {
        InfEvento evento;
        evento.chCTe = cte.sChave;
        evento.nProt = PROTOCOLO_EVENTO;
        evento.dhRegEvento = DATA_EVENTO;
        EscreveResposta(caminho, RetornoEvento(evento));
        break;
      }
      case TipoResposta::NumeroLote: {
        EscreveResposta(caminho, NumeroLote(std::to_string(cte.iLote)));
        InfRec rec;
        rec.nRec = RECIBO;
        rec.dhRecbto = DATA_RECIBO;
        rec.tMed = TEMPO_MEDIO;
        EscreveResposta(pasta + NomeRecibo(cte), Recibo("103", rec));
        break;
      }
    }
  }
}

void Cenario::EscreveResultadosLote(const std::vector<CTeMedicao>& ctes, int64_t idadeMs) const {
  for (const CTeMedicao& cte : ctes)
    EscreveComIdade(Retorno() + NomeResultadoLote(cte), ConteudoResultadoLote(cte), idadeMs);
}

void Cenario::EscreveAutorizadosGravados(int quantidade) {
  const std::vector<CTeMedicao> ctes = AdicionaCTes(quantidade);
  inst.banco->Executa("update MOV_CTE_RET set CD_ST_CTE = 100, NO_PROTOCOLO_CTE = " +
                      PROTOCOLO_AUTORIZACAO + " where id_cte between " +
                      std::to_string(ctes.front().iId) + " and " + std::to_string(ctes.back().iId));
  for (const CTeMedicao& cte : ctes) {
    RespostasTeste::Autorizado documento;
    documento.chave = cte.sChave;
    documento.prot = AutorizacaoDe(cte);
    EscreveComIdade(DocumentoAutorizado(cte), RespostasTeste::DocumentoAutorizado(documento),
                    2LL * 24 * 60 * 60 * 1000);
  }
}

std::string Cenario::DocumentoAutorizado(const CTeMedicao& cte) const {
  const UnLocalidade::DataHora hoje = UnLocalidade::Agora();
  return UnFuncoesCTe::RetornaPastaCTe(9, inst.sRaizCTe, sCnpjs.front()) + Zeros(hoje.iAno, 4) +
         Zeros(hoje.iMes, 2) + "/CTe" + cte.sChave + "-procCTe.xml";
}

std::string ConteudoSituacao(const CTeMedicao& cte) {
  return RespostasTeste::Situacao("100", AutorizacaoDe(cte));
}

std::string ConteudoResultadoLote(const CTeMedicao& cte) {
  return RespostasTeste::ResultadoLote("100", AutorizacaoDe(cte));
}

int QuantidadeArquivos(const std::string& pasta) {
  int n = 0;
  std::error_code erro;
  for (const auto& e : fs::directory_iterator(pasta, erro))
    if (e.is_regular_file()) ++n;
  return n;
}

}  // namespace UnCenarioMedicao
