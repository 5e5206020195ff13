// The Windows side of the platform: attributes instead of leading dots, the process list of
// the system, the shell's start of programs, UTF-8 names on UTF-16 APIs, the exclusive open
// that is the lock, and the system's error texts in the workstation's language.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>

#include "platform/UnArquivos.h"
#include "platform/UnCodigoAnsi.h"
#include "platform/UnAreaTrabalho.h"
#include "platform/UnBiblioteca.h"
#include "platform/UnIni.h"
#include "platform/UnProcessos.h"
#include "platform/UnTrava.h"
#include "platform/UnMascara.h"
#include "platform/win32/UnErroSistema.h"
#include "platform/win32/UnTextoLargo.h"
#include "suporte/PastaTemporaria.h"
#include "win32/UnJanelasTeste.h"

namespace {

void DefineAtributos(const std::string& caminho, DWORD atributos) {
  ASSERT_TRUE(SetFileAttributesW(UnTextoLargo::Largo(caminho).c_str(), atributos));
}

std::string NomeDoArquivo(const std::string& caminho) {
  return caminho.substr(caminho.find_last_of("\\/") + 1);
}

}  // namespace

TEST(ArquivosWin32, ListaDeixaDeForaOcultosESistema) {
  PastaTemporaria pasta;
  for (const char* nome : {"b-pro-rec.xml", "A-pro-rec.xml", "oculto-pro-rec.xml",
                           "sistema-pro-rec.xml", "so-leitura-pro-rec.xml"})
    EscreveArquivo(pasta / nome, "x");
  DefineAtributos(pasta / "oculto-pro-rec.xml", FILE_ATTRIBUTE_HIDDEN);
  DefineAtributos(pasta / "sistema-pro-rec.xml", FILE_ATTRIBUTE_SYSTEM);
  DefineAtributos(pasta / "so-leitura-pro-rec.xml", FILE_ATTRIBUTE_READONLY);
  ASSERT_TRUE(UnArquivos::CriaPasta(pasta / "pasta-pro-rec.xml"));
  EXPECT_EQ(UnArquivos::ListaArquivos(pasta.Caminho(), "*-pro-rec.xml*"),
            (std::vector<std::string>{"A-pro-rec.xml", "b-pro-rec.xml", "so-leitura-pro-rec.xml"}));
  // The entries of the master folder come whatever their attributes.
  auto entradas = UnArquivos::ListaEntradas(pasta.Caminho(), "*-pro-rec.xml");
  std::sort(entradas.begin(), entradas.end());
  EXPECT_EQ(entradas.size(), 6u);
  DefineAtributos(pasta / "so-leitura-pro-rec.xml", FILE_ATTRIBUTE_NORMAL);
}

TEST(ArquivosWin32, MascaraSoNoNomeLongo) {
  PastaTemporaria pasta;
  // The 8.3 name of a long name ends in ".XML"; the mask "*.xml*" must look at the long one.
  EscreveArquivo(pasta / "35190000000000000000-sit.xmlbak", "x");
  EscreveArquivo(pasta / "recibo.txt", "x");
  EXPECT_EQ(UnArquivos::ListaArquivos(pasta.Caminho(), "*-sit.xml*"),
            (std::vector<std::string>{"35190000000000000000-sit.xmlbak"}));
  EXPECT_TRUE(UnArquivos::ListaArquivos(pasta.Caminho(), "*.xml").empty());
}

TEST(ArquivosWin32, NomesComAcentosChegamAoSistema) {
  PastaTemporaria pasta;
  const std::string pastaAcento = pasta / "Confirmações";
  ASSERT_TRUE(UnArquivos::CriaPasta(pastaAcento));
  const std::string arquivo = pastaAcento + "\\São Paulo-sit.xml";
  ASSERT_TRUE(UnArquivos::GravaArquivo(arquivo, "ç"));
  EXPECT_TRUE(UnArquivos::ExisteArquivo(arquivo));
  EXPECT_EQ(UnArquivos::ListaArquivos(pastaAcento, "*-sit.xml"),
            (std::vector<std::string>{"São Paulo-sit.xml"}));
  EXPECT_TRUE(UnArquivos::MoveArquivoSubstituindo(arquivo, pastaAcento + "\\Ação.xml"));
  EXPECT_EQ(UnArquivos::LeArquivo(pastaAcento + "\\Ação.xml", 100), "ç");
  // A file the ERP holds open for writing can still be read.
  const HANDLE aberto = CreateFileW(UnTextoLargo::Largo(pastaAcento + "\\Ação.xml").c_str(),
                                    GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(aberto, INVALID_HANDLE_VALUE);
  EXPECT_EQ(UnArquivos::LeArquivo(pastaAcento + "\\Ação.xml", 100), "ç");
  CloseHandle(aberto);
}

TEST(IniWin32, ArquivoAnsiDoErpEUtf16) {
  PastaTemporaria pasta;
  // The ERP writes its files in the workstation's ANSI code page.
  EscreveArquivo(pasta / "quelvixempresa.ini",
                 "[IniServidor]\r\nnomearquivo=\\\\SRV\\Dados\\servi\xE7o.ini\r\n");
  EXPECT_EQ(UnIni::LeIni(pasta / "quelvixempresa.ini", "IniServidor", "nomearquivo", ""),
            "\\\\SRV\\Dados\\serviço.ini");
  EXPECT_EQ(UnIni::LeIni(pasta / "falta.ini", "IniServidor", "nomearquivo", "padrão"), "padrão");
  const std::string utf16("\xFF\xFE[\0D\0]\0\r\0\n\0n\0=\0\xE7\0", 18);
  EscreveArquivo(pasta / "servidor.ini", utf16);
  EXPECT_EQ(UnIni::LeIni(pasta / "servidor.ini", "D", "n", ""), "ç");
}

TEST(ProcessosWin32, ListaTrazONomeDoExecutavelDesteProcesso) {
  const std::string caminho = UnProcessos::CaminhoExecutavel();
  ASSERT_TRUE(UnArquivos::ExisteArquivo(caminho));
  const std::string nome = UnMascara::MaiusculasAscii(NomeDoArquivo(caminho));
  const auto processos = UnProcessos::ListaProcessos();
  ASSERT_TRUE(processos.has_value());
  EXPECT_TRUE(std::any_of(processos->begin(), processos->end(), [&](const std::string& p) {
    return UnMascara::MaiusculasAscii(NomeDoArquivo(p)) == nome;
  }));
}

TEST(ProcessosWin32, ExecutaComParametrosPastaEJanelaOculta) {
  PastaTemporaria pasta;
  UnProcessos::PedidoExecucao pedido;
  pedido.sArquivo = "cmd.exe";
  pedido.sParametros = "/c echo feito> saida.txt";
  pedido.sPastaTrabalho = pasta.Caminho();
  pedido.bOculto = true;
  ASSERT_TRUE(UnProcessos::Executa(pedido));
  EXPECT_TRUE(UnJanelasTeste::Espera([&] { return LeTexto(pasta / "saida.txt").size() >= 5; }));
  EXPECT_EQ(LeTexto(pasta / "saida.txt").substr(0, 5), "feito");
  pedido.sArquivo = pasta / "falta.exe";
  pedido.sVerbo = "open";
  EXPECT_FALSE(UnProcessos::Executa(pedido));
}

// An error file named like a program is shown selected in its folder, never run.
TEST(ProcessosWin32, ExploradorMostraOArquivoSemExecutalo) {
  PastaTemporaria pasta;
  const std::string programa = pasta / "x-cte.err.bat";
  EscreveArquivo(programa, "echo executado> \"" + std::string(pasta / "saida.txt") + "\"\r\n");
  ASSERT_TRUE(UnProcessos::Executa({"", UnProcessos::EXPLORADOR, programa, "", false}));
  Sleep(3000);
  EXPECT_FALSE(UnArquivos::ExisteArquivo(pasta / "saida.txt"));
  EXPECT_FALSE(UnProcessos::Executa({"", UnProcessos::EXPLORADOR, "", "", false}));
}

// Statement text reaches the connection's code page exactly or not at all: the best fit would
// turn these look-alikes into the plain quote after the value was quoted.
TEST(CodigoAnsiWin32, SemMelhorAproximacao) {
  for (const char* parecido : {"\xEF\xBC\x87", "\xCA\xBC", "\xE2\x80\xB2", "\xC3\xBF\xEF\xBC\x87"}) {
    SCOPED_TRACE(parecido);
    EXPECT_FALSE(UnCodigoAnsi::Representavel(std::string("2024'") + parecido));
    EXPECT_THROW(UnCodigoAnsi::ParaAnsi(std::string(" where x = '") + parecido + "'"),
                 UnCodigoAnsi::ESemEquivalente);
  }
  if (GetACP() != 1252) GTEST_SKIP() << "code page " << GetACP();
  EXPECT_EQ(UnCodigoAnsi::ParaAnsi("ação '1'"), "a\xE7\xE3o '1'");
  EXPECT_EQ(UnCodigoAnsi::DeAnsi("a\xE7\xE3o"), "ação");
}

TEST(TravaWin32, AberturaExclusivaEAPastaQueNaoExiste) {
  PastaTemporaria pasta;
  UnTrava::Trava primeira, segunda;
  EXPECT_EQ(primeira.Obtem(pasta / "monitor.lock"), UnTrava::Trava::Resultado::Obtida);
  EXPECT_EQ(segunda.Obtem(pasta / "monitor.lock"), UnTrava::Trava::Resultado::Ocupada);
  EXPECT_EQ(segunda.Obtem(pasta / "falta/monitor.lock"), UnTrava::Trava::Resultado::Impossivel);
  primeira.Libera();
  EXPECT_EQ(segunda.Obtem(pasta / "monitor.lock"), UnTrava::Trava::Resultado::Obtida);
}

TEST(AreaTrabalhoWin32, AtalhoNaPastaDoDesktop) {
  const std::string desktop = UnAreaTrabalho::PastaDesktop();
  ASSERT_FALSE(desktop.empty());
  EXPECT_EQ(desktop.back(), '\\');
  EXPECT_TRUE(UnArquivos::ExistePasta(desktop));
  PastaTemporaria pasta;
  const std::string alvo = UnProcessos::CaminhoExecutavel();
  ASSERT_EQ(UnAreaTrabalho::CriaAtalho(pasta / "Novo Monitor", alvo, "Monitor"), "");
  ASSERT_TRUE(UnArquivos::ExisteArquivo(pasta / "Novo Monitor.lnk"));
  // Replaced, not refused, when it is already there.
  EXPECT_EQ(UnAreaTrabalho::CriaAtalho(pasta / "Novo Monitor", alvo, "Monitor"), "");
  // A folder where the shortcut goes: the shell link cannot be saved, and says so.
  ASSERT_TRUE(UnArquivos::CriaPasta(pasta / "Novo Outro.lnk"));
  const std::string motivo = UnAreaTrabalho::CriaAtalho(pasta / "Novo Outro", alvo, "Outro");
  EXPECT_EQ(motivo.rfind(pasta / "Novo Outro.lnk não gravado (0x", 0), 0u) << motivo;
}

TEST(BibliotecaWin32, MotivoDaFalhaNaLinguaDaEstacao) {
  PastaTemporaria pasta;
  const std::string ausente = pasta / "fbclient.dll";
  std::string erro;
  EXPECT_EQ(UnBiblioteca::Carrega({ausente}, erro), nullptr);
  EXPECT_EQ(erro, ausente + ": " + UnErroSistema::DescreveErro(ERROR_MOD_NOT_FOUND, ausente));
  // A file the loader cannot take (a library of the other architecture, or none at all).
  const std::string invalida = pasta / "gds32.dll";
  EscreveArquivo(invalida, "MZ nada de programa");
  EXPECT_EQ(UnBiblioteca::Carrega({invalida}, erro), nullptr);
  EXPECT_EQ(erro, invalida + ": " + UnErroSistema::DescreveErro(ERROR_BAD_EXE_FORMAT, invalida));
  if (PRIMARYLANGID(GetUserDefaultUILanguage()) != LANG_PORTUGUESE)
    GTEST_SKIP() << "the workstation's language is not Portuguese";
  // Accents whatever the ANSI code page, and the library named where the text has "%1".
  const std::string modulo = UnErroSistema::DescreveErro(ERROR_MOD_NOT_FOUND);
  EXPECT_NE(modulo.find("não"), std::string::npos) << modulo;
  const std::string formato = UnErroSistema::DescreveErro(ERROR_BAD_EXE_FORMAT, "fbclient.dll");
  EXPECT_NE(formato.find("fbclient.dll"), std::string::npos) << formato;
  EXPECT_EQ(formato.find("%1"), std::string::npos) << formato;
  EXPECT_NE(formato.find_first_of("\xC3"), std::string::npos) << formato;  // a letter like "ó"
}
