// Files and folders, the folder listing and the processors' file list.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "platform/UnArquivos.h"
#include "processing/UnListaArquivos.h"
#include "suporte/PastaTemporaria.h"

using namespace UnArquivos;
namespace fs = std::filesystem;

namespace {

// Hidden as the platform hides: here by the leading "." of the name, on Windows by the
// attribute as well.
void Oculta([[maybe_unused]] const std::string& caminho) {
#ifdef _WIN32
  SetFileAttributesA(caminho.c_str(), FILE_ATTRIBUTE_HIDDEN);
#endif
}

}  // namespace

TEST(Arquivos, ArquivoEPastaSaoDistintos) {
  PastaTemporaria pasta;
  EscreveArquivo(pasta / "a.txt", "x");
  EXPECT_TRUE(ExisteArquivo(pasta / "a.txt"));
  EXPECT_FALSE(ExistePasta(pasta / "a.txt"));
  EXPECT_TRUE(ExistePasta(pasta.Caminho()));
  EXPECT_FALSE(ExisteArquivo(pasta.Caminho()));
  EXPECT_FALSE(ExisteArquivo(pasta / "falta.txt"));
  EXPECT_FALSE(ExistePasta(pasta / "falta"));
}

TEST(Arquivos, CriaPastaUmNivelSo) {
  PastaTemporaria pasta;
  EXPECT_FALSE(CriaPasta(pasta / "a/b"));
  EXPECT_FALSE(ExistePasta(pasta / "a"));
  EXPECT_TRUE(CriaPasta(pasta / "a"));
  EXPECT_TRUE(CriaPasta(pasta / "a/b"));
  EXPECT_TRUE(ExistePasta(pasta / "a/b"));
  EXPECT_FALSE(CriaPasta(pasta / "a"));  // already there
}

TEST(Arquivos, MoveSubstituindoTrocaODestino) {
  PastaTemporaria pasta;
  EscreveArquivo(pasta / "novo.xml", "novo");
  EscreveArquivo(pasta / "OK/novo.xml", "antigo");
  EXPECT_TRUE(MoveArquivoSubstituindo(pasta / "novo.xml", pasta / "OK/novo.xml"));
  EXPECT_FALSE(Existe(pasta / "novo.xml"));
  EXPECT_EQ(LeTexto(pasta / "OK/novo.xml"), "novo");
  // A missing source or destination folder fails and leaves everything as it was.
  EXPECT_FALSE(MoveArquivoSubstituindo(pasta / "novo.xml", pasta / "OK/x.xml"));
  EXPECT_FALSE(MoveArquivoSubstituindo(pasta / "OK/novo.xml", pasta / "falta/novo.xml"));
  EXPECT_EQ(LeTexto(pasta / "OK/novo.xml"), "novo");
}

TEST(Arquivos, MoveSemSubstituirRecusaDestinoExistente) {
  PastaTemporaria pasta;
  EscreveArquivo(pasta / "a", "A");
  EscreveArquivo(pasta / "b", "B");
  EXPECT_FALSE(MoveArquivo(pasta / "a", pasta / "b"));
  EXPECT_EQ(LeTexto(pasta / "a"), "A");
  EXPECT_EQ(LeTexto(pasta / "b"), "B");
  EXPECT_TRUE(MoveArquivo(pasta / "a", pasta / "c"));
  EXPECT_FALSE(Existe(pasta / "a"));
  EXPECT_EQ(LeTexto(pasta / "c"), "A");
}

#ifndef _WIN32
// /dev/shm is a file system of its own: the moves copy, and nothing half-done stays behind.
TEST(Arquivos, MoveEntreSistemasDeArquivos) {
  PastaTemporaria pasta;
  const std::string outro = "/dev/shm/monitor-teste-" + std::to_string(::getpid());
  fs::create_directories(outro);
  EscreveArquivo(outro + "/a-pro-rec.xml", "conteudo");
  fs::permissions(outro + "/a-pro-rec.xml",
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EscreveArquivo(pasta / "OK/a-pro-rec.xml", "antigo");
  EXPECT_FALSE(MoveArquivo(outro + "/a-pro-rec.xml", pasta / "OK/a-pro-rec.xml"));
  EXPECT_EQ(LeTexto(pasta / "OK/a-pro-rec.xml"), "antigo");
  EXPECT_TRUE(MoveArquivoSubstituindo(outro + "/a-pro-rec.xml", pasta / "OK/a-pro-rec.xml"));
  EXPECT_EQ(LeTexto(pasta / "OK/a-pro-rec.xml"), "conteudo");
  EXPECT_EQ(fs::status(pasta / "OK/a-pro-rec.xml").permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_FALSE(Existe(outro + "/a-pro-rec.xml"));
  EXPECT_TRUE(MoveArquivo(pasta / "OK/a-pro-rec.xml", outro + "/b-pro-rec.xml"));
  EXPECT_EQ(LeTexto(outro + "/b-pro-rec.xml"), "conteudo");
  EXPECT_FALSE(Existe(pasta / "OK/a-pro-rec.xml"));
  EXPECT_EQ(ListaEntradas(pasta / "OK", "*"), std::vector<std::string>{});
  EXPECT_EQ(ListaEntradas(outro, "*"), std::vector<std::string>{"b-pro-rec.xml"});
  fs::remove_all(outro);
}
#endif

TEST(Arquivos, CopiaComESemSubstituir) {
  PastaTemporaria pasta;
  EscreveArquivo(pasta / "origem", std::string(200000, 'z'));
  EscreveArquivo(pasta / "destino", "velho");
  EXPECT_FALSE(CopiaArquivo(pasta / "origem", pasta / "destino", true));
  EXPECT_EQ(LeTexto(pasta / "destino"), "velho");
  EXPECT_TRUE(CopiaArquivo(pasta / "origem", pasta / "destino", false));
  EXPECT_EQ(LeTexto(pasta / "destino"), std::string(200000, 'z'));
  EXPECT_TRUE(CopiaArquivo(pasta / "origem", pasta / "nova", true));
  EXPECT_TRUE(Existe(pasta / "origem"));
  EXPECT_FALSE(CopiaArquivo(pasta / "falta", pasta / "outra", false));
  EXPECT_FALSE(Existe(pasta / "outra"));
}

TEST(Arquivos, ApagaLeGravaEAcrescenta) {
  PastaTemporaria pasta;
  EXPECT_TRUE(GravaArquivo(pasta / "t.txt", "primeira linha\r\n"));
  EXPECT_TRUE(AcrescentaArquivo(pasta / "t.txt", "segunda"));
  EXPECT_EQ(LeArquivo(pasta / "t.txt", 1000), "primeira linha\r\nsegunda");
  EXPECT_EQ(LeArquivo(pasta / "t.txt", 8), "primeira");
  EXPECT_EQ(LeArquivo(pasta / "t.txt", 0), "");
  EXPECT_TRUE(GravaArquivo(pasta / "t.txt", "curto"));
  EXPECT_EQ(LeArquivo(pasta / "t.txt", 1000), "curto");
  EXPECT_TRUE(AcrescentaArquivo(pasta / "novo.txt", "criado"));
  EXPECT_EQ(LeTexto(pasta / "novo.txt"), "criado");
  EXPECT_TRUE(ApagaArquivo(pasta / "t.txt"));
  EXPECT_FALSE(ApagaArquivo(pasta / "t.txt"));
  EXPECT_FALSE(LeArquivo(pasta / "t.txt", 10).has_value());
  EXPECT_FALSE(LeArquivo(pasta.Caminho(), 10).has_value());
  EXPECT_FALSE(GravaArquivo(pasta / "falta/x.txt", "x"));
}

TEST(Arquivos, DataUltimaGravacaoEmMilissegundosUtc) {
  PastaTemporaria pasta;
  EscreveArquivo(pasta / "d.txt", "x");
  using namespace std::chrono;
  // 2012-06-05 10:11:12 UTC, an even second as FAT-era timestamps keep.
  fs::last_write_time(pasta / "d.txt",
                      file_clock::from_sys(sys_time<milliseconds>(1338891072000ms)));
  EXPECT_EQ(DataUltimaGravacao(pasta / "d.txt"), 1338891072000);
  EXPECT_FALSE(DataUltimaGravacao(pasta / "falta.txt").has_value());
}

TEST(Arquivos, ListaSoArquivosVisiveisEmOrdemSemCaixa) {
  PastaTemporaria pasta;
  for (const char* nome : {"b-pro-rec.xml", "A-pro-rec.xml", "c-PRO-REC.XML", "a-pro-rec.xml.bak",
                           "d-pro-rec.xmlx", ".oculto-pro-rec.xml", "outro.txt"}) {
    EscreveArquivo(pasta / nome, "x");
  }
  Oculta(pasta / ".oculto-pro-rec.xml");
  fs::create_directory(pasta / "pasta-pro-rec.xml");
  EscreveArquivo(pasta / ".pasta-oculta/e-pro-rec.xml", "x");
  Oculta(pasta / ".pasta-oculta");
  const std::vector<std::string> esperado{"A-pro-rec.xml", "a-pro-rec.xml.bak", "b-pro-rec.xml",
                                          "c-PRO-REC.XML", "d-pro-rec.xmlx"};
  EXPECT_EQ(ListaArquivos(pasta.Caminho(), "*-pro-rec.xml*"), esperado);
  EXPECT_EQ(ListaArquivos(pasta.Caminho(), "*.xml"),
            (std::vector<std::string>{"A-pro-rec.xml", "b-pro-rec.xml", "c-PRO-REC.XML"}));
  EXPECT_TRUE(ListaArquivos(pasta / "falta", "*").empty());
  EXPECT_TRUE(ListaArquivos(pasta / "outro.txt", "*").empty());
}

TEST(Arquivos, ListaEntradasIncluiPastasEOcultos) {
  PastaTemporaria pasta;
  EscreveArquivo(pasta / "a.txt", "x");
  EscreveArquivo(pasta / ".b.txt", "x");
  fs::create_directory(pasta / "c.txt");
  auto entradas = ListaEntradas(pasta.Caminho(), "*");
  std::sort(entradas.begin(), entradas.end());
  EXPECT_EQ(entradas, (std::vector<std::string>{".b.txt", "a.txt", "c.txt"}));
  EXPECT_EQ(ListaEntradas(pasta.Caminho(), "a*"), std::vector<std::string>{"a.txt"});
}

#ifndef _WIN32
// Links are never files of the list, and never written through; a file that must be new is
// refused where anything, a link included, has its name.
TEST(Arquivos, LigacaoSimbolicaNuncaContaComoArquivo) {
  PastaTemporaria pasta;
  EscreveArquivo(pasta / "real/alvo.xml", "x");
  EscreveArquivo(pasta / "simples.xml", "x");
  fs::create_symlink(pasta / "real/alvo.xml", pasta / "ligado.xml");
  fs::create_symlink(pasta / "real", pasta / "pasta.xml");
  fs::create_symlink(pasta / "sumiu", pasta / "quebrado.xml");
  EXPECT_EQ(ListaArquivos(pasta.Caminho(), "*.xml"), std::vector<std::string>{"simples.xml"});
  EXPECT_FALSE(GravaArquivo(pasta / "ligado.xml", "y"));
  EXPECT_FALSE(AcrescentaArquivo(pasta / "ligado.xml", "y"));
  EXPECT_FALSE(GravaArquivoNovo(pasta / "ligado.xml", "y"));
  EXPECT_FALSE(GravaArquivoNovo(pasta / "quebrado.xml", "y"));
  EXPECT_FALSE(fs::exists(pasta / "sumiu"));
  EXPECT_EQ(LeTexto(pasta / "real/alvo.xml"), "x");
  EXPECT_TRUE(GravaArquivoNovo(pasta / "novo.xml", "y"));
  EXPECT_FALSE(GravaArquivoNovo(pasta / "novo.xml", "z"));
  EXPECT_EQ(LeTexto(pasta / "novo.xml"), "y");
  EXPECT_EQ(Tamanho(pasta / "novo.xml"), 1u);
  EXPECT_FALSE(Tamanho(pasta / "real").has_value());
}
#endif

TEST(ListaArquivos, AtualizaSelecionaEMontaOCaminho) {
  PastaTemporaria pasta;
  EscreveArquivo(pasta / "Retorno/2-sit.xml", "x");
  EscreveArquivo(pasta / "Retorno/1-SIT.xml", "x");
  TFileListBox lista;
  lista.Mask = "*-sit.xml*";
  lista.Directory = pasta / "Retorno";
  lista.Update();
  ASSERT_EQ(lista.Items, (std::vector<std::string>{"1-SIT.xml", "2-sit.xml"}));
  EXPECT_EQ(lista.ItemIndex, -1);
  EXPECT_EQ(lista.FileName(), "");
  EXPECT_EQ(lista.NomeSelecionado(), "");
  lista.ItemIndex = 0;
  EXPECT_EQ(lista.NomeSelecionado(), "1-SIT.xml");
  EXPECT_EQ(lista.FileName(), pasta.Caminho() + "/Retorno" + SEPARADOR + "1-SIT.xml");
  // The selection never reads past the names.
  lista.ItemIndex = 2;
  EXPECT_EQ(lista.FileName(), "");
  ASSERT_TRUE(MoveArquivoSubstituindo(pasta / "Retorno/1-SIT.xml", pasta / "1-SIT.xml"));
  lista.ItemIndex = 0;
  lista.Update();
  EXPECT_EQ(lista.Items, std::vector<std::string>{"2-sit.xml"});
  EXPECT_EQ(lista.ItemIndex, -1);
  lista.Clear();
  EXPECT_TRUE(lista.Items.empty());
}
