// What keeps the monitor recording when the world around it misbehaves: rows locked by ERP
// users, other workstations on the same folder tree, and the activity log support reads.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/UnTrava.h"
#include "suporte/InstalacaoTeste.h"
#include "suporte/ProcessoTeste.h"
#include "suporte/RespostasTeste.h"
#include "suporte/ServidorTeste.h"

namespace fs = std::filesystem;
using namespace RespostasTeste;

namespace {

const std::string CNPJ = "12345678000199";

struct Cenario {
  explicit Cenario(bool bServidor = false) : inst(bServidor), erp(outra.Caminho(), "quelvixEmpresa.exe") {
    iEmpresa = inst.banco->AdicionaEmpresa(CNPJ);
    iCTe = inst.banco->AdicionaCTe(iEmpresa, CHAVE_1);
    m = inst.Monitor(tela);
    m->Log.Inicia(inst.sPastaErp);
    m->ProcessaEmpresas();
  }
  std::string Situacao100() const { return inst.Retorno(CNPJ) + NomeSituacao(CHAVE_1); }
  std::string Log() const { return LeTexto(m->Log.ArquivoDoDia(m->Log.Relogio())); }

  InstalacaoTeste inst;
  PastaTemporaria outra;
  ErpSubstituto erp;
  TelaTeste tela;
  int32_t iEmpresa = 0, iCTe = 0;
  std::unique_ptr<TMonitorCTe> m;
};

}  // namespace

TEST(Confiabilidade, LinhaPresaPorOutroUsuarioEsperaEGravaSemReiniciar) {
  // The ERP user works on another workstation: both reach the database through the server.
  const bool bServidor = ServidorTeste::Atende();
  if (!bServidor && std::getenv("MONITOR_SERVIDOR_OBRIGATORIO"))
    FAIL() << "no Firebird server on 127.0.0.1";
  Cenario c(bServidor);
  UnFirebird::TIBDatabase usuario;
  usuario.DefineNome(c.inst.banco->Nome());
  usuario.Conecta();
  UnFirebird::TIBQuery edicao(usuario);
  edicao.SQL = " update MOV_CTE_RET set qt_media_resposta_cte = 9 where id_cte = " +
               std::to_string(c.iCTe);
  edicao.ExecSQL();  // not committed: the ERP user is still editing

  EscreveResposta(c.Situacao100(), Situacao("100", InfProt{}));
  // While the row is held, the company's other answers and the next company's go through.
  const int32_t outro = c.inst.banco->AdicionaCTe(c.iEmpresa, CHAVE_2);
  InfEvento cancelamento;
  cancelamento.chCTe = CHAVE_2;
  EscreveResposta(c.inst.Retorno(CNPJ) + NomeEvento(CHAVE_2), RetornoEvento(cancelamento));
  const std::string cnpj2 = "22222222000122";
  const std::string chave3 = "35120612345678000199570010000099991000099999";
  const int32_t terceiro =
      c.inst.banco->AdicionaCTe(c.inst.banco->AdicionaEmpresa(cnpj2), chave3);
  EscreveResposta(c.inst.Retorno(cnpj2) + NomeSituacao(chave3), Situacao("100", [&] {
                    InfProt p;
                    p.chCTe = chave3;
                    return p;
                  }()));
  for (int tick = 0; tick < 3; ++tick) {
    c.m->Timer1Timer();
    EXPECT_TRUE(c.m->Timer1Ativo());
    EXPECT_TRUE(fs::exists(c.Situacao100()));
  }
  const auto coluna = [&](const char* nome, int32_t id) {
    return c.inst.banco->Texto("select cast(" + std::string(nome) +
                               " as varchar(20)) from MOV_CTE_RET where id_cte = " +
                               std::to_string(id));
  };
  EXPECT_EQ(coluna("CD_ST_CAN_CTE", outro), "135");
  EXPECT_EQ(coluna("CD_ST_CTE", terceiro), "100");
  EXPECT_EQ(c.tela.ciclosParados.back(), "");
  EXPECT_TRUE(c.tela.notificacoes.empty());
  // The wait is told once, with its reason, not at every tick.
  ASSERT_EQ(c.tela.situacoes.size(), 1u);
  EXPECT_NE(c.tela.situacoes[0].find("CT-e em uso por outro usuário"), std::string::npos);
  EXPECT_NE(c.tela.situacoes[0].find("deadlock"), std::string::npos) << c.tela.situacoes[0];
  EXPECT_EQ(c.tela.iEsperando, 1u);

  usuario.Transacao().Commit();
  c.m->Timer1Timer();
  EXPECT_TRUE(fs::exists(c.inst.RetornoOK(CNPJ) + NomeSituacao(CHAVE_1)));
  EXPECT_EQ(c.inst.banco->Inteiro("select CD_ST_CTE from MOV_CTE_RET where id_cte = " +
                                  std::to_string(c.iCTe)),
            100);
  EXPECT_EQ(c.m->iCTeAutorizada, 2);
  EXPECT_EQ(c.tela.iEsperando, 0u);
  EXPECT_NE(c.Log().find(NomeSituacao(CHAVE_1) + " | gravado depois de aguardar"),
            std::string::npos)
      << c.Log();
}

TEST(Confiabilidade, EmpresaEmUsoPorOutraEstacaoFicaParaOProximoPasso) {
  Cenario c;
  UnTrava::Trava outraEstacao;
  ASSERT_EQ(outraEstacao.Obtem(c.inst.sRaizCTe + CNPJ + "/MonitorCTe.lock"),
            UnTrava::Trava::Resultado::Obtida);
  EscreveResposta(c.Situacao100(), Situacao("100", InfProt{}));
  c.m->ProcessaEmpresas();
  EXPECT_TRUE(fs::exists(c.Situacao100()));
  EXPECT_EQ(c.m->iCTeAutorizada, 0);
  outraEstacao.Libera();
  c.m->ProcessaEmpresas();
  EXPECT_FALSE(fs::exists(c.Situacao100()));
  EXPECT_EQ(c.m->iCTeAutorizada, 1);
}

TEST(Confiabilidade, TravaImpossivelDeixaAEmpresaParaDepois) {
  Cenario c;
  // A lock file that cannot be made (here a folder stands in its place): another workstation
  // could be in the company, so its answers wait, told once over the passes.
  fs::remove(c.inst.sRaizCTe + CNPJ + "/MonitorCTe.lock");
  fs::create_directory(c.inst.sRaizCTe + CNPJ + "/MonitorCTe.lock");
  EscreveResposta(c.Situacao100(), Situacao("100", InfProt{}));
  c.m->ProcessaEmpresas();
  c.m->ProcessaEmpresas();
  EXPECT_TRUE(fs::exists(c.Situacao100()));
  ASSERT_EQ(c.tela.ocorrencias.size(), 1u);
  EXPECT_EQ(c.tela.ocorrencias[0].sOQue, "empresa sem trava");
  EXPECT_TRUE(c.tela.ocorrencias[0].bAlerta);
  fs::remove(c.inst.sRaizCTe + CNPJ + "/MonitorCTe.lock");
  c.m->ProcessaEmpresas();
  EXPECT_FALSE(fs::exists(c.Situacao100()));
}

TEST(Confiabilidade, LogDeUmPassoComTodasAsRotas) {
  Cenario c;
  const int32_t outro = c.inst.banco->AdicionaCTe(c.iEmpresa, CHAVE_2);
  EscreveResposta(c.Situacao100(), Situacao("100", InfProt{}));
  EscreveResposta(c.inst.Retorno(CNPJ) + NomeSituacao("35999999999999999999999999999999999999999999"),
                  Situacao("100", InfProt{}));
  InfEvento outroTipo;
  outroTipo.chCTe = CHAVE_2;
  outroTipo.tpEvento = "110110";
  outroTipo.xEvento = "Carta de Correção";
  EscreveResposta(c.inst.Retorno(CNPJ) + NomeEvento(CHAVE_2), RetornoEvento(outroTipo));
  // An NF-e's answer shares the folder and is none of the monitor's.
  const std::string nfe = "35120612345678000199550010000012341000012345-sit.xml";
  EscreveResposta(c.inst.Retorno(CNPJ) + nfe,
                  "<retConsSitNFe xmlns=\"http://www.portalfiscal.inf.br/nfe\"><cStat>100</cStat>"
                  "</retConsSitNFe>");
  c.m->ProcessaEmpresas();
  const std::string log = c.Log();
  EXPECT_NE(log.find("empresa " + CNPJ + " | " + NomeSituacao(CHAVE_1) + " | OK | id_cte " +
                     std::to_string(c.iCTe)),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("35999999999999999999999999999999999999999999-sit.xml | Erro | id_cte -"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find(NomeEvento(CHAVE_2) + " | OK | evento 110110 Carta de Correção registrado, CTe" +
                     CHAVE_2 + ", protocolo 135130000054321 | id_cte " + std::to_string(outro)),
            std::string::npos)
      << log;
  EXPECT_NE(log.find(nfe + " | mantido | id_cte -"), std::string::npos) << log;
  // The ending, with its reason, once however many sides tell it.
  EXPECT_THROW(c.m->Sair1Click(), UnTela::EFimMonitor);
  c.m->Encerra(0, "&Sair");
  EXPECT_EQ(Ocorrencias(c.Log(), "fim do monitor (&Sair), código 0"), 1);
}

TEST(Confiabilidade, LogTrocaDeDiaELimpaOsDeMaisDeTrintaDias) {
  PastaTemporaria p;
  TLogAtividade log;
  log.Inicia(p.Caminho());
  UnLocalidade::DataHora agora{2026, 3, 31, 23, 59, 59, 0};
  log.Relogio = [&] { return agora; };
  fs::create_directories(p / "Log");
  EscreveArquivo(p / "Log/MonitorCTe-20260228.log", "velho\n");  // 31 days before
  EscreveArquivo(p / "Log/MonitorCTe-20260301.log", "guardado\n");  // 30 days before
  EscreveArquivo(p / "Log/outro.log", "de outro programa\n");
  log.Registra("antes da meia-noite");
  agora = {2026, 4, 1, 0, 0, 1, 0};
  log.Registra("depois da meia-noite");
  EXPECT_EQ(LeTexto(p / "Log/MonitorCTe-20260331.log"), "2026-03-31 23:59:59 antes da meia-noite\n");
  EXPECT_EQ(LeTexto(p / "Log/MonitorCTe-20260401.log"), "2026-04-01 00:00:01 depois da meia-noite\n");
  // On the new day the 30 days are counted again: 2026-03-01 goes too.
  EXPECT_FALSE(fs::exists(p / "Log/MonitorCTe-20260228.log"));
  EXPECT_FALSE(fs::exists(p / "Log/MonitorCTe-20260301.log"));
  EXPECT_TRUE(fs::exists(p / "Log/outro.log"));
}

TEST(Confiabilidade, LogQueNaoSeGravaEIgnorado) {
  Cenario c;
  // "Log" is taken by a file, so no log folder can be made there.
  EscreveArquivo(c.inst.sPastaErp + "/Log", "");
  c.m->Log.Inicia(c.inst.sPastaErp);
  EscreveResposta(c.Situacao100(), Situacao("100", InfProt{}));
  c.m->ProcessaEmpresas();
  EXPECT_FALSE(fs::exists(c.Situacao100()));
  EXPECT_EQ(c.m->iCTeAutorizada, 1);
  EXPECT_TRUE(fs::is_regular_file(c.inst.sPastaErp + "/Log"));
}
