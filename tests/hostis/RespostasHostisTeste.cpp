// Hostile files in a company's Retorno folder, through whole passes on a real database: each
// is handled without a crash and without a wrong write, and stays where the rules put it.
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/UnXml.h"
#include "processamento/CenarioProcessamento.h"
#include "processing/UnFuncoesCTe.h"
#include "processing/UnOcorrencias.h"
#include "processing/UnRegistroImpressao.h"
#include "platform/UnLocalidade.h"
#include "suporte/ProcessoTeste.h"

namespace R = RespostasTeste;
namespace fs = std::filesystem;

namespace {

const std::string LOTE_1 = R::NomeNumeroLote(R::CHAVE_1);

class RespostasHostis : public CenarioProcessamento {
 protected:
  // No result column of the CT-e's row was written.
  bool SemGravacao(int32_t id) const {
    return inst.banco->Inteiro(
               "select count(*) from MOV_CTE_RET where id_cte = " + std::to_string(id) +
               " and NO_LOTE_CTE is null and cd_st_recebto_cte is null and no_recibo_cte is null"
               " and dh_recebto_cte is null and qt_media_resposta_cte is null"
               " and cd_st_lote_cte is null and NO_PROTOCOLO_CTE is null and DH_PROCESSA_CTE is null"
               " and CD_ST_CTE is null and NO_PROTOCOLO_CAN_CTE is null"
               " and DH_PROCESSA_CAN_CTE is null and CD_ST_CAN_CTE is null") == 1;
  }
};

// The tick's checks need an ERP program running. It is started before the monitor connects,
// so it inherits no lock of the embedded engine.
class CicloHostil : public RespostasHostis {
 protected:
  PastaTemporaria outra;
  ErpSubstituto erp{outra.Caminho(), "quelvixEmpresa.exe"};
};

}  // namespace

// A large answer within the limit is read whole; past it, the file is no answer: set aside at
// once without being read, told with its size, and the answers beside it go on.
TEST_F(RespostasHostis, RespostaAlemDe16MiBVaiParaErroSemSerLida) {
  m->Log.Inicia(inst.sPastaErp);
  const int32_t id = AdicionaCTe(R::CHAVE_1);
  const int32_t id2 = AdicionaCTe(R::CHAVE_2);
  std::string xml = R::NumeroLote("123");
  const std::string enchimento = "<Observacao>" + std::string(15u << 20, 'x') + "</Observacao>";
  xml.insert(xml.find("<NumeroLoteGerado>"), enchimento);
  Resposta(LOTE_1, xml);
  // A well-formed situation answer whose reason alone is 100 MiB.
  R::InfProt prot;
  prot.chCTe = R::CHAVE_2;
  prot.xMotivo = std::string(100u << 20, 'y');
  const std::string enorme = R::NomeSituacao(R::CHAVE_2);
  Resposta(enorme, R::Situacao("100", prot));
  const std::string vizinha = "351000012345678-pro-rec.xml";
  R::InfProt outra;
  outra.chCTe = R::CHAVE_1;
  Resposta(vizinha, R::ResultadoLote("100", outra));
  Passo();
  EXPECT_EQ(Coluna("NO_LOTE_CTE", id), "123");
  EXPECT_EQ(fs::file_size(OK(LOTE_1)), xml.size());
  EXPECT_EQ(Coluna("CD_ST_CTE", id), "100");
  EXPECT_TRUE(ExisteArquivo(OK(vizinha)));
  EXPECT_TRUE(ExisteArquivo(Erro(enorme)));
  EXPECT_TRUE(SemGravacao(id2));
  EXPECT_EQ(m->iConfirmacaoErro, 1);
  EXPECT_TRUE(m->Esperas.Esperas().empty());
  // Nothing of its content is shown or logged: the log line names the size.
  const std::string log = LeTexto(m->Log.ArquivoDoDia(UnLocalidade::Agora()));
  EXPECT_NE(log.find(enorme + " | separado para Erro: Arquivo de 100 MiB"), std::string::npos)
      << log.substr(0, 2000);
  EXPECT_EQ(log.find("yyyy"), std::string::npos);
  EXPECT_LT(log.size(), 100000u);
}

// Anyone who can write the folder can plant links: a link in Retorno is not an answer, and one
// planted as the print record's temporary file is not written through.
TEST_F(RespostasHostis, LigacaoSimbolicaNaoEhSeguidaNemGravadaPorDentro) {
  const int32_t id = AdicionaCTe(R::CHAVE_1);
  PastaTemporaria fora;
  const std::string alvo = fora / "lote.xml";
  R::EscreveResposta(alvo, R::NumeroLote("123"));
  fs::create_directories(Retorno());
  fs::create_symlink(alvo, Retorno(LOTE_1));
  const std::string registro = fora / "segredo.txt";
  EscreveArquivo(registro, "intocado");
  fs::create_symlink(registro, inst.sRaizCTe + CNPJ + "/" + UnRegistroImpressao::NOME_ARQUIVO + ".tmp");
  const std::string resultado = "351000012345678-pro-rec.xml";
  Resposta(resultado, R::ResultadoLote("100", R::InfProt{}));
  Passo();
  EXPECT_TRUE(fs::is_symlink(Retorno(LOTE_1)));
  EXPECT_TRUE(Nula("NO_LOTE_CTE", id));
  EXPECT_TRUE(m->Esperas.Esperas().empty());
  EXPECT_EQ(LeTexto(alvo), R::NumeroLote("123"));
  // The authorisation beside it is recorded, and its print with it, in a record of its own.
  EXPECT_EQ(Coluna("CD_ST_CTE", id), "100");
  EXPECT_TRUE(ExisteArquivo(OK(resultado)));
  EXPECT_EQ(LeTexto(registro), "intocado");
  EXPECT_NE(LeTexto(inst.sRaizCTe + CNPJ + "/" + UnRegistroImpressao::NOME_ARQUIVO).find(R::CHAVE_1),
            std::string::npos);
}

// An event's name holding a line break and a whole occurrence line of the log's own format
// (56 characters, within the schema's 60): one line in the log, and nothing read back from it
// as an occurrence whose file a double click would open.
TEST_F(RespostasHostis, TextoDoEventoNaoForjaLinhaDoLog) {
  m->Log.Inicia(inst.sPastaErp);
  AdicionaCTe(R::CHAVE_1);
  R::InfEvento evento;
  evento.tpEvento = "110180";
  evento.xEvento = "\n2026-12-10 10:00:00 ocorrência | ! | 1 | 2 | x | y | /p";
  Resposta(R::NomeEvento(R::CHAVE_1), R::RetornoEvento(evento));
  Passo();
  EXPECT_TRUE(ExisteArquivo(OK(R::NomeEvento(R::CHAVE_1))));
  const std::string log = LeTexto(m->Log.ArquivoDoDia(UnLocalidade::Agora()));
  EXPECT_EQ(log.find("\n2026-12-10 10:00:00 ocorr"), std::string::npos) << log;
  const auto lidas = UnOcorrencias::LeLog(log);
  ASSERT_FALSE(lidas.empty());
  for (const UnOcorrencias::Ocorrencia& o : lidas) EXPECT_NE(o.sArquivo, "/p") << log;
}

TEST_F(CicloHostil, LixoBinarioComNomeDeRespostaEsperaSemSegurarOCiclo) {
  const int32_t id = AdicionaCTe(R::CHAVE_1);
  // A second company after this one.
  const std::string cnpj2 = "22222222000122";
  const int32_t empresa2 = inst.banco->AdicionaEmpresa(cnpj2);
  const std::string chave2 = R::CHAVE_2;
  const int32_t id2 = inst.banco->AdicionaCTe(empresa2, chave2);
  std::string lixo(1u << 20, '\0');
  for (size_t i = 0; i < lixo.size(); ++i) lixo[i] = static_cast<char>((i * 2654435761u) >> 13);
  Resposta(LOTE_1, lixo);
  // Without "CTe" in its name the content decides, and garbage is simply not an answer.
  const std::string semNome = R::NomeSituacao(R::CHAVE_1);
  Resposta(semNome, lixo);
  R::InfEvento cancelamento2;
  cancelamento2.chCTe = chave2;
  R::EscreveResposta(inst.Retorno(cnpj2) + R::NomeEvento(chave2), R::RetornoEvento(cancelamento2));

  m->Timer1Timer();
  // The garbage waits in Retorno; the other company's answer is recorded in the same pass.
  EXPECT_TRUE(m->Timer1Ativo());
  EXPECT_EQ(tela.ciclosParados.back(), "");
  EXPECT_TRUE(tela.notificacoes.empty());
  EXPECT_TRUE(ExisteArquivo(Retorno(LOTE_1)));
  EXPECT_TRUE(ExisteArquivo(Retorno(semNome)));
  EXPECT_TRUE(SemGravacao(id));
  EXPECT_EQ(inst.banco->Texto("select cast(CD_ST_CAN_CTE as varchar(5)) from MOV_CTE_RET where id_cte = " +
                              std::to_string(id2)),
            "135");
  EXPECT_TRUE(ExisteArquivo(inst.RetornoOK(cnpj2) + R::NomeEvento(chave2)));
  EXPECT_TRUE(tela.perguntas.empty());
  ASSERT_EQ(m->Esperas.Esperas().count(Retorno(LOTE_1)), 1u);
  EXPECT_NE(m->Esperas.Esperas().at(Retorno(LOTE_1)).sDetalhe.find("XML mal formado"),
            std::string::npos);
}

TEST_F(RespostasHostis, BombaDeEntidadesNaoEhExpandida) {
  const int32_t id = AdicionaCTe(R::CHAVE_1);
  std::string entidades = "<!ENTITY e0 \"xxxxxxxxxx\">";
  for (int i = 1; i < 10; ++i)
    entidades += "<!ENTITY e" + std::to_string(i) + " \"" +
                 [&] {
                   std::string s;
                   for (int k = 0; k < 10; ++k) s += "&e" + std::to_string(i - 1) + ";";
                   return s;
                 }() +
                 "\">";
  // Ten levels of ten: 10^10 characters if anything expanded it.
  const std::string bomba = "<?xml version=\"1.0\"?><!DOCTYPE retEventoCTe [" + entidades +
                            "]><retEventoCTe xmlns=\"http://www.portalfiscal.inf.br/cte\">"
                            "<infEvento><chCTe>" + R::CHAVE_1 + "</chCTe><tpEvento>110111</tpEvento>"
                            "<cStat>135</cStat><nProt>&e9;</nProt></infEvento></retEventoCTe>";
  const std::string nome = R::NomeEvento(R::CHAVE_1);
  Resposta(nome, bomba);
  PassoDeixaEsperando("DTD");
  EXPECT_TRUE(ExisteArquivo(Retorno(nome)));
  EXPECT_TRUE(SemGravacao(id));

  // An entity that is referenced but never declared is refused as well.
  R::InfEvento referencia;
  referencia.nProt = "&e9;";
  Resposta(nome, R::RetornoEvento(referencia));
  PassoDeixaEsperando("entidade");
  EXPECT_TRUE(ExisteArquivo(Retorno(nome)));
  EXPECT_TRUE(SemGravacao(id));
}

TEST_F(RespostasHostis, ArquivoQueNaoSePodeLerFicaNoLugar) {
  const int32_t id = AdicionaCTe(R::CHAVE_1);
  const std::string ilegivel = Retorno(LOTE_1);
  // root reads any plain file: only another user meets one it cannot read.
  if (geteuid() != 0) {
    Resposta(LOTE_1, R::NumeroLote("123"));
    fs::permissions(ilegivel, fs::perms::none);
  }
  // Neither a link, dangling or not, nor a pipe is a file to list: nothing waits on them.
  fs::create_directories(Retorno());
  fs::create_symlink(Retorno("naoexiste.xml"), Retorno(R::NomeNumeroLote(R::CHAVE_2)));
  fs::create_symlink("/proc/self/mem", Retorno("CTe-num-lot.xml"));
  ASSERT_EQ(mkfifo(Retorno(R::NomeEvento(R::CHAVE_1)).c_str(), 0666), 0);
  ASSERT_EQ(mkfifo(Retorno("351000012345678-pro-rec.xml").c_str(), 0666), 0);
  if (geteuid() != 0) {
    PassoDeixaEsperando("Não foi possível ler");
    EXPECT_TRUE(ExisteArquivo(ilegivel));
  } else {
    Passo();
    EXPECT_TRUE(m->Esperas.Esperas().empty());
  }
  EXPECT_TRUE(fs::is_symlink(Retorno("CTe-num-lot.xml")));
  EXPECT_TRUE(SemGravacao(id));
  EXPECT_EQ(m->iLotesProcessados + m->iLotesErro + m->iConfirmacaoErro, 0);

  fs::remove(ilegivel);
  fs::remove(Retorno("CTe-num-lot.xml"));
  Passo();
  EXPECT_TRUE(fs::is_symlink(Retorno(R::NomeNumeroLote(R::CHAVE_2))));
  EXPECT_TRUE(fs::is_fifo(Retorno(R::NomeEvento(R::CHAVE_1))));
  EXPECT_TRUE(fs::is_fifo(Retorno("351000012345678-pro-rec.xml")));
  EXPECT_TRUE(SemGravacao(id));
  EXPECT_TRUE(tela.perguntas.empty());
}

TEST_F(RespostasHostis, PastaComNomeDeRespostaNaoEhTocada) {
  const int32_t id = AdicionaCTe(R::CHAVE_1);
  for (const std::string& nome : {LOTE_1, R::NomeSituacao(R::CHAVE_1), R::NomeEvento(R::CHAVE_1),
                                  std::string("351000012345678-pro-rec.xml"), std::string("x-cte.err")})
    fs::create_directories(Retorno(nome));
  Resposta(R::NomeEvento(R::CHAVE_2) + ".1", R::RetornoEvento(R::InfEvento{}));
  Passo();
  EXPECT_EQ(Coluna("CD_ST_CAN_CTE", id), "135");
  EXPECT_TRUE(ExisteArquivo(OK(R::NomeEvento(R::CHAVE_2) + ".1")));
  EXPECT_TRUE(fs::is_directory(Retorno(LOTE_1)));
  EXPECT_TRUE(fs::is_directory(Retorno("x-cte.err")));
  EXPECT_FALSE(fs::exists(Erro("x-cte.err")));
  EXPECT_EQ(m->iConfirmacaoErro, 0);
  EXPECT_TRUE(tela.perguntas.empty());
}

TEST_F(RespostasHostis, NomesComAcentosBrancosEAspas) {
  const int32_t id = AdicionaCTe(R::CHAVE_1);
  // The key comes from the content; the odd name only travels to Retorno/OK.
  const std::string evento = "CTe cancelação 'nº 1' \"a\" -eve.xml";
  Resposta(evento, R::RetornoEvento(R::InfEvento{}));
  // The key comes from the name: its last 44 bytes start inside a two-byte character.
  const std::string situacao = [] {
    std::string s;
    for (int i = 0; i < 30; ++i) s += "ç";
    return s + "b-sit.xml";
  }();
  Resposta(situacao, R::Situacao("100", R::InfProt{}));
  const std::string aspas = "35120612345678000199570010000012341000012'45-sit.xml";
  Resposta(aspas, R::Situacao("100", R::InfProt{}));
  Passo();
  EXPECT_EQ(Coluna("CD_ST_CAN_CTE", id), "135");
  EXPECT_TRUE(ExisteArquivo(OK(evento)));
  EXPECT_TRUE(ExisteArquivo(Erro(situacao)));
  EXPECT_TRUE(ExisteArquivo(Erro(aspas)));
  EXPECT_TRUE(Nula("CD_ST_CTE", id));
  EXPECT_EQ(m->iCTeCancelada, 1);
  EXPECT_EQ(m->iCTeErro, 2);
  EXPECT_EQ(m->iConfirmacaoErro, 2);
}

TEST_F(RespostasHostis, NomesMaioresQueOsCamposCortados) {
  const int32_t id = AdicionaCTe(R::CHAVE_1);
  // 200 digits: the pieces cut from the last 60 characters are digits of no CT-e.
  const std::string longo = "CTe" + std::string(200, '7') + "-num-lot.xml";
  Resposta(longo, R::NumeroLote("123"));
  const std::string situacaoLonga = std::string(150, '9') + R::CHAVE_1 + "-sit.xml";
  Resposta(situacaoLonga, R::Situacao("100", R::InfProt{}));
  Passo();
  EXPECT_TRUE(ExisteArquivo(Erro(longo)));
  // The last 52 characters are the real key and its ending: the CT-e is found.
  EXPECT_TRUE(ExisteArquivo(OK(situacaoLonga)));
  EXPECT_EQ(Coluna("CD_ST_CTE", id), "100");
  EXPECT_TRUE(Nula("NO_LOTE_CTE", id));
  EXPECT_EQ(m->iLotesErro, 1);

  // Shorter than the pieces: they are cut from the folders' names. Whatever they hold, the
  // look-up either refuses them before the database sees them (the file stays) or finds no
  // CT-e (the file goes to Erro); nothing is written.
  const std::string curto = "CTe1-num-lot.xml";
  Resposta(curto, R::NumeroLote("123"));
  Passo();
  EXPECT_TRUE(ExisteArquivo(Erro(curto)) || ExisteArquivo(Retorno(curto)));
  EXPECT_TRUE(Nula("NO_LOTE_CTE", id));
}

TEST_F(RespostasHostis, ChaveECnpjComAspasSoPassamPelaFuncaoDeAspas) {
  const int32_t id = AdicionaCTe(R::CHAVE_1);
  // A stored key that holds a quote is found by exactly that key.
  const int32_t comAspas = AdicionaCTe(R::CHAVE_2, "CTe12'34");
  R::InfEvento chaveComAspas;
  chaveComAspas.chCTe = "12'34";
  Resposta(R::NomeEvento(R::CHAVE_2), R::RetornoEvento(chaveComAspas));
  // A key built to widen the look-up finds nothing and writes nothing.
  const std::string injecao = "CTe" + std::string(44, '1') + "-eve.xml";
  R::InfEvento chaveInjetada;
  chaveInjetada.chCTe = "x' or '1'='1";
  Resposta(injecao, R::RetornoEvento(chaveInjetada));
  Passo();
  EXPECT_EQ(Coluna("CD_ST_CAN_CTE", comAspas), "135");
  EXPECT_TRUE(ExisteArquivo(OK(R::NomeEvento(R::CHAVE_2))));
  EXPECT_TRUE(ExisteArquivo(Erro(injecao)));
  EXPECT_TRUE(SemGravacao(id));
  EXPECT_EQ(m->iCTeCancelada, 1);

  // A company whose CNPJ holds a quote: its folders and answers work like any other.
  const std::string cnpjPasta = "12'345";
  const int32_t empresa = inst.banco->AdicionaEmpresa(cnpjPasta);
  const int32_t idEmpresa = inst.banco->AdicionaCTe(empresa, std::string(44, '5'));
  Passo();
  ASSERT_TRUE(fs::is_directory(inst.Retorno(cnpjPasta)));
  R::EscreveResposta(inst.Retorno(cnpjPasta) + R::NomeSituacao(std::string(44, '5')),
                     R::Situacao("100", R::InfProt{}));
  Passo();
  EXPECT_EQ(inst.banco->Texto("select cast(CD_ST_CTE as varchar(5)) from MOV_CTE_RET where id_cte = " +
                              std::to_string(idEmpresa)),
            "100");
  EXPECT_TRUE(ExisteArquivo(inst.RetornoOK(cnpjPasta) + R::NomeSituacao(std::string(44, '5'))));
  EXPECT_TRUE(SemGravacao(id));
}

TEST_F(RespostasHostis, LoteAlemDe32BitsNuncaDaVolta) {
  const int32_t id = AdicionaCTe(R::CHAVE_1);
  // 2^32 + 123 would wrap to 123; 2^31 to a negative number.
  for (const std::string lote : {"4294967419", "2147483648", "99999999999999999999"}) {
    Resposta(LOTE_1, R::NumeroLote(lote));
    const std::string recibo = UnFuncoesCTe::PreencheZeros(lote, 15) + "-rec.xml";
    Resposta(recibo, R::Recibo("103", R::InfRec{}));
    PassoDeixaEsperando("is not a valid integer value");
    EXPECT_TRUE(ExisteArquivo(Retorno(LOTE_1))) << lote;
    EXPECT_TRUE(ExisteArquivo(Retorno(recibo))) << lote;
    EXPECT_TRUE(SemGravacao(id)) << lote;
    fs::remove(Retorno(recibo));
  }
  EXPECT_FALSE(fs::exists(OK()) && !fs::is_empty(OK()));
  EXPECT_EQ(m->iLotesProcessados, 0);
  // The largest 32-bit lot is still a lot.
  Resposta(LOTE_1, R::NumeroLote("2147483647"));
  Passo();
  EXPECT_EQ(Coluna("NO_LOTE_CTE", id), "2147483647");
  EXPECT_TRUE(ExisteArquivo(OK(LOTE_1)));
}

TEST_F(RespostasHostis, ArvoreMuitoProfundaNaoEstouraAPilha) {
  const int32_t id = AdicionaCTe(R::CHAVE_1);
  // Two million levels under the root (14 MiB, within the largest file read): nothing that
  // reads it may recurse per level.
  const size_t niveis = 2000000;
  std::string xml = "<retConsSitCTe xmlns=\"http://www.portalfiscal.inf.br/cte\"><cStat>100</cStat>";
  xml.reserve(xml.size() + niveis * 7 + 32);
  for (size_t i = 0; i < niveis; ++i) xml += "<a>";
  for (size_t i = 0; i < niveis; ++i) xml += "</a>";
  xml += "</retConsSitCTe>";
  const std::string nome = R::NomeSituacao(R::CHAVE_1);
  Resposta(nome, xml);
  // Status 100 asks for protCTe, which is absent: the reading error stops the pass.
  PassoDeixaEsperando("inexistente");
  EXPECT_TRUE(ExisteArquivo(Retorno(nome)));
  EXPECT_TRUE(SemGravacao(id));
}

TEST_F(RespostasHostis, ResultadoQueNuncaTerminaDeSerGravadoNaoPrendeOPasso) {
  const int32_t id = AdicionaCTe(R::CHAVE_1);
  const int32_t id2 = AdicionaCTe(R::CHAVE_2);
  // A writer that never finishes its processing-result file: it grows, never closing its root...
  const std::string sempre = "351000012345678-pro-rec.xml";
  const std::string inicio = R::ResultadoLote("100", R::InfProt{});
  EscreveArquivo(Retorno(sempre), inicio.substr(0, inicio.size() - 20));
  std::atomic<bool> parar{false}, escrevendo{true};
  std::thread escritor([&] {
    const auto limite = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    while (!parar && std::chrono::steady_clock::now() < limite) {
      std::ofstream(Retorno(sempre), std::ios::app) << "<a>";
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    escrevendo = false;
  });
  // ...and a finished one after it, of another CT-e, with the event processor behind both.
  R::InfProt outro;
  outro.chCTe = R::CHAVE_2;
  Resposta("351000012345679-pro-rec.xml", R::ResultadoLote("100", outro));
  Resposta(R::NomeEvento(R::CHAVE_1), R::RetornoEvento(R::InfEvento{}));
  Passo();
  const bool aindaEscrevendo = escrevendo;
  parar = true;
  escritor.join();
  EXPECT_TRUE(aindaEscrevendo) << "the pass waited for the writer to give up";
  EXPECT_TRUE(ExisteArquivo(Retorno(sempre)));
  EXPECT_TRUE(Nula("CD_ST_CTE", id));
  EXPECT_EQ(Coluna("CD_ST_CAN_CTE", id), "135");
  EXPECT_EQ(Coluna("CD_ST_CTE", id2), "100");
  EXPECT_TRUE(ExisteArquivo(OK("351000012345679-pro-rec.xml")));
  // Still changing, it is never set aside, and nothing is said about it.
  EXPECT_EQ(m->Esperas.Esperas().count(Retorno(sempre)), 1u);
  EXPECT_TRUE(tela.situacoes.empty());
}
