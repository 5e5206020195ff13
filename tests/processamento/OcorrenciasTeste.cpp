// What a person is told of the day: the occurrences' log lines read back as written, the CT-e
// number from any key, the coalesced balloon, and the occurrences the passes produce.
#include "CenarioProcessamento.h"

#include <filesystem>

#include "processing/UnFilaTransmissor.h"
#include "processing/UnOcorrencias.h"

namespace R = RespostasTeste;
using UnOcorrencias::Ocorrencia;

TEST(Ocorrencias, LinhaDoLogVoltaComoFoiEscrita) {
  const Ocorrencia casos[] = {
      {"10:11:12", "12345678000199", "1234", UnOcorrencias::REJEITADO,
       "539 - Rejeição: Duplicidade de CT-e", "/cte/1/Erro/a-pro-rec.xml", true},
      {"23:59:59", "1", "", UnOcorrencias::TRANSMISSOR_PARADO, "", "", false},
      // Separators and line breaks inside a value cannot split the line.
      {"00:00:00", "2", "7", UnOcorrencias::EVENTO_RECUSADO, "a | b\r\nc", "x|y", true},
  };
  std::string log = "2026-12-09 10:00:00 início do monitor /x\n";
  for (const Ocorrencia& o : casos)
    log += "2026-12-09 " + o.sHora + " " + UnOcorrencias::LinhaDoLog(o) + "\r\n";
  log += "2026-12-09 10:00:01 empresa 1 | a-sit.xml | OK | id_cte 1\nocorrência | cortada";
  const auto lidas = UnOcorrencias::LeLog(log);
  ASSERT_EQ(lidas.size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(lidas[i].sHora, casos[i].sHora);
    EXPECT_EQ(lidas[i].sEmpresa, casos[i].sEmpresa);
    EXPECT_EQ(lidas[i].sCTe, casos[i].sCTe);
    EXPECT_EQ(lidas[i].sOQue, casos[i].sOQue);
    EXPECT_EQ(lidas[i].bAlerta, casos[i].bAlerta);
  }
  EXPECT_EQ(lidas[0].sDetalhe, casos[0].sDetalhe);
  EXPECT_EQ(lidas[0].sArquivo, casos[0].sArquivo);
  EXPECT_EQ(lidas[2].sDetalhe, "a   b  c");
  EXPECT_EQ(lidas[2].sArquivo, "x y");
}

TEST(Ocorrencias, NumeroDoCTeBalaoELista) {
  EXPECT_EQ(UnOcorrencias::NumeroCTe("CTe" + R::CHAVE_1), "1234");
  EXPECT_EQ(UnOcorrencias::NumeroCTe("/r/" + R::CHAVE_2 + "-sit.xml"), "5678");
  EXPECT_EQ(UnOcorrencias::NumeroCTe("351000012345678-pro-rec.xml"), "");
  Ocorrencia rejeitado{"", "1", "12", UnOcorrencias::REJEITADO, "539 - Duplicidade", "", true};
  EXPECT_EQ(UnOcorrencias::TextoBalao({rejeitado}), "CT-e 12: rejeitado - 539 - Duplicidade");
  Ocorrencia separado = rejeitado;
  separado.sOQue = UnOcorrencias::SEPARADO;
  EXPECT_EQ(UnOcorrencias::TextoBalao({rejeitado, rejeitado, rejeitado, separado}),
            "3 CT-e rejeitados, 1 separado para Erro");
  UnOcorrencias::TListaOcorrencias lista;
  for (size_t i = 0; i < UnOcorrencias::TListaOcorrencias::MAXIMO + 5; ++i) {
    rejeitado.sCTe = std::to_string(i);
    lista.Acrescenta(rejeitado);
  }
  EXPECT_EQ(lista.Quantidade(), UnOcorrencias::TListaOcorrencias::MAXIMO);
  EXPECT_EQ(lista.Item(0).sCTe, std::to_string(UnOcorrencias::TListaOcorrencias::MAXIMO + 4));
}

class OcorrenciasDoPasso : public CenarioProcessamento {};

// A rejected authorisation names its CT-e, the status and the authority's reason; a later run
// of the same day shows what the earlier one told.
TEST_F(OcorrenciasDoPasso, RejeicaoComMotivoEOutraExecucaoDoMesmoDiaAindaMostra) {
  m->Log.Inicia(inst.sPastaErp);
  AdicionaCTe(R::CHAVE_1);
  R::InfProt rejeicao;
  rejeicao.cStat = "539";
  rejeicao.xMotivo = "Rejeição: Duplicidade de CT-e";
  Resposta("351000012345678-pro-rec.xml", R::ResultadoLote("100", rejeicao));
  Passo();
  ASSERT_EQ(tela.ocorrencias.size(), 1u);
  const Ocorrencia& o = tela.ocorrencias[0];
  EXPECT_EQ(o.sOQue, UnOcorrencias::REJEITADO);
  EXPECT_EQ(o.sCTe, "1234");
  EXPECT_EQ(o.sEmpresa, CNPJ);
  EXPECT_EQ(o.sDetalhe, "539 - Rejeição: Duplicidade de CT-e");
  EXPECT_EQ(o.sArquivo, Erro("351000012345678-pro-rec.xml"));
  EXPECT_TRUE(o.bAlerta);
  EXPECT_TRUE(tela.notificacoes.empty());

  CriaMonitor();
  m->Log.Inicia(inst.sPastaErp);
  m->MostraOcorrenciasDoDia();
  ASSERT_EQ(tela.ocorrenciasAnteriores.size(), 1u);
  EXPECT_EQ(tela.ocorrenciasAnteriores[0].sDetalhe, o.sDetalhe);
  EXPECT_EQ(tela.ocorrenciasAnteriores[0].sArquivo, o.sArquivo);
}

// Files the ERP left in Envio that the transmitter does not take: told once while they stay,
// once when the folder clears, and never touched. Their age is how long they were seen: a
// workstation whose clock runs ten minutes ahead of the share's is not fooled, and of two
// workstations on the tree one tells it.
TEST_F(OcorrenciasDoPasso, FilaDoTransmissorParadaAvisaUmaVezENaoTocaNaPasta) {
  m->Log.Inicia(inst.sPastaErp);
  int64_t agora = 1000000;
  m->Monotonico = [&] { return agora; };
  m->Hora = [] { return UnLocalidade::AgoraMilissegundos() + 10 * 60 * 1000; };
  Passo();  // the company's folders
  const std::string envio = inst.sRaizCTe + CNPJ + "/Envio/";
  const std::string arquivo = envio + "CTe" + R::CHAVE_1 + "-cte.xml";
  EscreveArquivo(arquivo, "<CTe/>");
  namespace fs = std::filesystem;
  const auto antiga = fs::last_write_time(arquivo);
  for (int passo = 0; passo < 3; ++passo) Passo();
  EXPECT_TRUE(tela.ocorrencias.empty());
  agora += 6 * 60 * 1000;
  Passo();
  TelaTeste outraTela;
  auto outra = inst.Monitor(outraTela);
  int64_t agoraOutra = 0;
  outra->Monotonico = [&] { return agoraOutra; };
  outra->ProcessaEmpresas();
  agoraOutra += 7 * 60 * 1000;
  outra->ProcessaEmpresas();
  EXPECT_TRUE(outraTela.ocorrencias.empty());
  ASSERT_EQ(tela.ocorrencias.size(), 1u);
  EXPECT_EQ(tela.ocorrencias[0].sOQue, UnOcorrencias::TRANSMISSOR_PARADO);
  EXPECT_TRUE(tela.ocorrencias[0].bAlerta);
  EXPECT_EQ(tela.ocorrencias[0].sDetalhe.rfind(
                "O transmissor não está enviando os CT-e da empresa " + std::string(CNPJ) +
                    ": 1 arquivo aguardando há 6 min em Envio",
                0),
            0u)
      << tela.ocorrencias[0].sDetalhe;
  EXPECT_EQ(LeTexto(arquivo), "<CTe/>");
  EXPECT_EQ(fs::last_write_time(arquivo), antiga);
  fs::remove(arquivo);
  Passo();
  Passo();
  ASSERT_EQ(tela.ocorrencias.size(), 2u);
  EXPECT_EQ(tela.ocorrencias[1].sOQue, UnOcorrencias::TRANSMISSOR_NORMAL);
  EXPECT_FALSE(tela.ocorrencias[1].bAlerta);
}

TEST(FilaTransmissor, LimitesDeCadaPasta) {
  using UnFilaTransmissor::Fila;
  using UnFilaTransmissor::LIMITE_PROCESSAMENTO_MS;
  UnFilaTransmissor::TVigiaTransmissor vigia;
  const int64_t agora = 1000000;
  const Fila vazia, envioNoLimite{2, UnFilaTransmissor::LIMITE_ENVIO_MS};
  EXPECT_FALSE(vigia.Avalia("1", vazia, vazia, agora));
  EXPECT_FALSE(vigia.Avalia("1", envioNoLimite, {1, LIMITE_PROCESSAMENTO_MS}, agora));
  const auto parado = vigia.Avalia("1", vazia, {3, LIMITE_PROCESSAMENTO_MS + 1}, agora);
  ASSERT_TRUE(parado);
  EXPECT_TRUE(parado->bParado);
  EXPECT_NE(parado->sTexto.find("3 arquivos aguardando, o mais antigo há 15 min em "
                                "Enviado\\EmProcessamento"),
            std::string::npos);
  EXPECT_FALSE(vigia.Avalia("1", vazia, {3, LIMITE_PROCESSAMENTO_MS + 9}, agora));
  EXPECT_FALSE(vigia.Avalia("2", vazia, vazia, agora));  // each company on its own
  const auto normal = vigia.Avalia("1", vazia, vazia, agora + 1);
  ASSERT_TRUE(normal);
  EXPECT_FALSE(normal->bParado);
  // Taken up stalled, as another workstation told it: a file seen since the run took it up may
  // be one that was there all along; only once those left does it send again.
  vigia.Adota("3", true, agora);
  EXPECT_FALSE(vigia.Avalia("3", {1, 60000}, vazia, agora + 60000));
  const auto deNovo = vigia.Avalia("3", {1, 1000}, vazia, agora + 60000);
  ASSERT_TRUE(deNovo);
  EXPECT_FALSE(deNovo->bParado);
}

// The page opens a file whose path it read back from the log: only one inside a company's
// tree is shown, whatever else a line says.
TEST_F(OcorrenciasDoPasso, SoMostraArquivosDasPastasDasEmpresas) {
  Passo();
  const std::string empresa = inst.sRaizCTe + CNPJ + "/";
  const std::pair<std::string, bool> casos[] = {
      {empresa + "Erro/CTe" + R::CHAVE_1 + "-pro-rec.xml", true},
      {empresa + "Envio", true},
      {empresa + "../../etc/passwd", false},
      {inst.sRaizCTe + "a.xml", false},
      {"/bin/sh", false},
      {empresa + "Erro/a\" & calc.exe & \".xml", false},
  };
  for (const auto& [caminho, bMostra] : casos) {
    execucoes.clear();
    m->MostraArquivoDaOcorrencia(caminho);
    EXPECT_EQ(execucoes.size(), bMostra ? 1u : 0u) << caminho;
    if (bMostra) {
      EXPECT_EQ(execucoes[0].sParametros, caminho);
    }
  }
}
