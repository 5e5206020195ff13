// The transmitter's archive read when an answer never came, and the CT-e in doubt asked about
// through the transmitter's queue, over whole passes on a real database and real folders.
#include "CenarioProcessamento.h"

#include <chrono>
#include <ctime>
#include <filesystem>

#include "processing/UnLeituraAutorizados.h"
#include "processing/UnRegistroDuvidas.h"

namespace R = RespostasTeste;
namespace fs = std::filesystem;

namespace {

constexpr int64_t MINUTO = 60 * 1000;

// The authority's time of day `minutos` ago, as it writes it (Brasília, -03:00).
std::string HoraSefaz(int64_t minutos) {
  const int64_t ms = UnLocalidade::AgoraMilissegundos() - minutos * MINUTO - 3 * 60 * MINUTO;
  const std::time_t t = static_cast<std::time_t>(ms / 1000);
  std::tm tm{};
  gmtime_r(&t, &tm);
  char texto[32];
  std::strftime(texto, sizeof texto, "%Y-%m-%dT%H:%M:%S-03:00", &tm);
  return texto;
}

class Reconciliacao : public CenarioProcessamento {
 protected:
  int64_t iAvanco = 0;  // how far the monitor's clocks run ahead of the real ones

  void SetUp() override {
    CenarioProcessamento::SetUp();
    Relogios();
  }
  void Relogios() {
    m->Monotonico = [this] { return UnLocalidade::MonotonicoMilissegundos() + iAvanco; };
    m->Hora = [this] { return UnLocalidade::AgoraMilissegundos() + iAvanco; };
  }
  // The next round over the archive is due.
  void Avanca(int64_t minutos) { iAvanco += minutos * MINUTO; }

  // A document of the archive whose last write lies `minutos` back.
  std::string Arquiva(const std::string& nome, const std::string& xml, int minutos = 5) const {
    const std::string caminho = inst.Autorizados(CNPJ) + MesAtual() + "/" + nome;
    EscreveArquivo(caminho, xml);
    fs::last_write_time(caminho, fs::file_time_type::clock::now() - std::chrono::minutes(minutos));
    return caminho;
  }
  std::string Autorizado(const std::string& chave, int64_t autorizadoHaMinutos, int minutos = 5) {
    R::Autorizado a;
    a.chave = chave;
    a.prot.chCTe = chave;
    a.prot.dhRecbto = HoraSefaz(autorizadoHaMinutos);
    return Arquiva(R::NomeAutorizado(chave), R::DocumentoAutorizado(a), minutos);
  }
  size_t Ocorrencias(const std::string& oQue) const {
    return static_cast<size_t>(std::count_if(tela.ocorrencias.begin(), tela.ocorrencias.end(),
                                             [&](const auto& o) { return o.sOQue == oQue; }));
  }
  std::string Envio(const std::string& nome = "") const {
    return UnFuncoesCTe::RetornaPastaCTe(1, inst.sRaizCTe, CNPJ) + nome;
  }
  std::vector<std::string> Pedidos() const {
    std::vector<std::string> nomes;
    if (fs::exists(Envio()))
      for (const auto& e : fs::directory_iterator(Envio())) nomes.push_back(e.path().filename());
    return nomes;
  }
};

}  // namespace

TEST_F(Reconciliacao, AutorizacaoSemRespostaGravadaDoDocumentoEImpressaUmaVez) {
  const int32_t recente = AdicionaCTe(R::CHAVE_1), antiga = AdicionaCTe(R::CHAVE_2);
  const int32_t jovem = AdicionaCTe("35120612345678000199570010000099991000099995");
  Autorizado(R::CHAVE_1, 60);
  Autorizado(R::CHAVE_2, 3 * 24 * 60);
  // Two seconds old: its answer is on its way and records it.
  Autorizado("35120612345678000199570010000099991000099995", 0, 0);
  Passo();
  EXPECT_EQ(Coluna("CD_ST_CTE", recente), "100");
  EXPECT_EQ(Coluna("cd_st_lote_cte", recente), "100");
  EXPECT_EQ(Coluna("NO_PROTOCOLO_CTE", recente), "135120000012345");
  EXPECT_EQ(Coluna("CD_ST_CTE", antiga), "100");
  EXPECT_TRUE(Nula("CD_ST_CTE", jovem));
  ASSERT_EQ(Impressoes().size(), 1u);
  EXPECT_NE(Impressoes()[0].sParametros.find(R::CHAVE_1), std::string::npos);
  EXPECT_EQ(Ocorrencias(UnOcorrencias::AUTORIZACAO_RECUPERADA), 2u);
  EXPECT_EQ(m->iCTeAutorizada, 2);

  // Later rounds, and a new run, neither write nor print what is recorded; the young one is
  // taken once it is old enough.
  inst.banco->Executa("update MOV_CTE_RET set DH_PROCESSA_CTE = '2001-01-01' where id_cte = " +
                      std::to_string(recente));
  Avanca(4);
  Passo();
  CriaMonitor();
  Relogios();
  Passo();
  EXPECT_EQ(Coluna("DH_PROCESSA_CTE", recente), "2001-01-01 00:00:00.0000");
  EXPECT_EQ(Coluna("CD_ST_CTE", jovem), "100");
  EXPECT_EQ(Impressoes().size(), 2u);
  EXPECT_TRUE(ExisteArquivo(ArquivoAutorizado(MesAtual(), R::CHAVE_1)));
}

TEST_F(Reconciliacao, CancelamentoRegistradoSemRespostaGravado) {
  const int32_t id = AdicionaCTe(R::CHAVE_1);
  Arquiva(R::NomeCancelamento(R::CHAVE_1),
          R::EventoRegistrado(R::CHAVE_1, "110111", "135", "135130000054321",
                              "2013-05-21T10:21:05-03:00"));
  Passo();
  EXPECT_EQ(Coluna("NO_PROTOCOLO_CAN_CTE", id), "135130000054321");
  EXPECT_EQ(Coluna("DH_PROCESSA_CAN_CTE", id), "2013-05-21 10:21:05.0000");
  EXPECT_EQ(Coluna("CD_ST_CAN_CTE", id), "135");
  EXPECT_EQ(m->iCTeCancelada, 1);
  EXPECT_EQ(Ocorrencias(UnOcorrencias::CANCELAMENTO_RECUPERADO), 1u);
}

TEST_F(Reconciliacao, DocumentoDefeituosoDeixadoEmPazEAvisadoUmaVez) {
  struct Caso {
    const char* nome;
    std::string chave;
    std::function<std::string(R::Autorizado&)> xml;
  };
  const std::string outroNome = "35120612345678000199570010000077771000077777";
  const std::vector<Caso> casos = {
      {"mal formado", "35120612345678000199570010000011111000011110",
       [](R::Autorizado& a) { return R::DocumentoAutorizado(a).substr(0, 200); }},
      {"de outro modelo", "35120612345678000199570010000022221000022220",
       [](R::Autorizado& a) { a.mod = "55"; return R::DocumentoAutorizado(a); }},
      {"chave que não é a do nome", "35120612345678000199570010000033331000033330",
       [&](R::Autorizado& a) { a.prot.chCTe = outroNome; return R::DocumentoAutorizado(a); }},
      {"de outra empresa", "35120698765432000199570010000044441000044440",
       [](R::Autorizado& a) { a.cnpj = "98765432000199"; return R::DocumentoAutorizado(a); }},
  };
  std::vector<int32_t> ids;
  for (const Caso& c : casos) {
    ids.push_back(AdicionaCTe(c.chave));
    R::Autorizado a;
    a.chave = c.chave;
    a.prot.chCTe = c.chave;
    Arquiva(R::NomeAutorizado(c.chave), c.xml(a));
  }
  Passo();
  Avanca(4);
  Passo();
  for (size_t i = 0; i < casos.size(); ++i) EXPECT_TRUE(Nula("CD_ST_CTE", ids[i])) << casos[i].nome;
  EXPECT_EQ(Ocorrencias(UnOcorrencias::DOCUMENTO_IGNORADO), casos.size());
  EXPECT_TRUE(Impressoes().empty());
}

TEST_F(Reconciliacao, EnvioSemRespostaPedeASituacaoUmaVezAteAResposta) {
  const int32_t id = AdicionaCTe(R::CHAVE_1);
  EscreveArquivo(Erro("CTe" + R::CHAVE_1 + "-cte.xml"),
                 "<CTe xmlns=\"http://www.portalfiscal.inf.br/cte\"><infCte><ide><tpAmb>2</tpAmb>"
                 "</ide></infCte></CTe>");
  Resposta("CTe" + R::CHAVE_1 + "-pro-rec.err", "Falha: tempo esgotado");
  Passo();
  Passo();
  const std::string pedido = "CTe" + R::CHAVE_1 + "-ped-sit.xml";
  ASSERT_EQ(Pedidos(), std::vector<std::string>{pedido});
  UnXml::XmlDocumento doc;
  doc.Carrega(Envio(pedido));
  EXPECT_EQ(doc.ElementoDocumento().NomeLocal(), "consSitCTe");
  EXPECT_EQ(doc.ElementoDocumento().TextoFilho("tpAmb"), "2");
  EXPECT_EQ(doc.ElementoDocumento().TextoFilho("xServ"), "CONSULTAR");
  EXPECT_EQ(doc.ElementoDocumento().TextoFilho("chCTe"), R::CHAVE_1);
  EXPECT_EQ(tela.iDuvidas, 1u);

  // The transmitter took it; within the hour nothing is asked again, on this workstation or on
  // another one sharing the tree.
  fs::remove(Envio(pedido));
  Avanca(30);
  Passo();
  TelaTeste outraTela;
  auto outra = inst.Monitor(outraTela);
  outra->Hora = m->Hora;
  outra->ProcessaEmpresas();
  EXPECT_TRUE(Pedidos().empty());

  R::InfProt prot;
  prot.dhRecbto = "2013-05-20T09:08:07-03:00";
  Resposta(R::NomeSituacao(R::CHAVE_1), R::Situacao("100", prot));
  Passo();
  EXPECT_EQ(Coluna("CD_ST_CTE", id), "100");
  EXPECT_EQ(Ocorrencias(UnOcorrencias::DUVIDA_ENCERRADA), 1u);
  EXPECT_EQ(tela.iDuvidas, 0u);
  Avanca(120);
  Passo();
  EXPECT_TRUE(Pedidos().empty());
}

TEST_F(Reconciliacao, DuplicidadeDeCTeSemAutorizacaoPedeSituacaoEAutorizadoNaoMuda) {
  const int32_t autorizado = AdicionaCTe(R::CHAVE_1), semAutorizacao = AdicionaCTe(R::CHAVE_2);
  inst.banco->Executa("update MOV_CTE_RET set CD_ST_CTE = 100, NO_PROTOCOLO_CTE = "
                      "135120000011111 where id_cte = " + std::to_string(autorizado));
  for (const std::string& chave : {R::CHAVE_1, R::CHAVE_2}) {
    R::InfProt p;
    p.chCTe = chave;
    p.cStat = "204";
    p.nProt = std::nullopt;
    p.xMotivo = "Rejeicao: Duplicidade de CT-e";
    Resposta(chave.substr(30) + "-pro-rec.xml", R::ResultadoLote("100", p));
  }
  Passo();
  EXPECT_EQ(Coluna("CD_ST_CTE", autorizado), "100");
  EXPECT_EQ(Coluna("NO_PROTOCOLO_CTE", autorizado), "135120000011111");
  EXPECT_EQ(Coluna("CD_ST_CTE", semAutorizacao), "204");
  EXPECT_EQ(Pedidos(), std::vector<std::string>{"CTe" + R::CHAVE_2 + "-ped-sit.xml"});
  EXPECT_EQ(m->iCTeErro, 1);
}

TEST(RegistroDuvidas, VinteAHoraNoMaximoEUmaPorCTeAHora) {
  PastaTemporaria pasta;
  int64_t agora = 1'000'000'000'000;
  UnRegistroDuvidas::TRegistroDuvidas registro;
  registro.Relogio = [&] { return agora; };
  ASSERT_TRUE(registro.Carrega(pasta.Caminho() + "/"));
  for (int i = 0; i < 25; ++i) {
    const std::string chave =
        "351206123456780001995700100000" + std::to_string(1000 + i) + "1000012345";
    EXPECT_TRUE(registro.Registra({chave, "CTe" + chave, "1", "teste", 0, 0, false}));
  }
  EXPECT_FALSE(registro.Registra({R::CHAVE_1.substr(0, 43), "x", "1", "", 0, 0, false}));
  for (const auto& d : registro.Devidas()) registro.MarcaPedida(d.sChave);
  EXPECT_TRUE(registro.Devidas().empty());
  // A later run reads the same limits back.
  UnRegistroDuvidas::TRegistroDuvidas outro;
  outro.Relogio = registro.Relogio;
  ASSERT_TRUE(outro.Carrega(pasta.Caminho() + "/"));
  EXPECT_EQ(outro.Quantidade(), 25u);
  EXPECT_TRUE(outro.Devidas().empty());
  agora += 61 * MINUTO;
  const auto devidas = outro.Devidas();
  ASSERT_EQ(devidas.size(), 20u);
  EXPECT_EQ(devidas.front().iPedidaEm, 0) << "the ones never asked come first";
}
