// Folder notifications: what arrives in a watched folder is reported for that folder alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/UnArquivos.h"
#include "platform/UnObservaPastas.h"
#include "suporte/PastaTemporaria.h"

using UnObservaPastas::ObservaPastas;
using Pastas = std::vector<std::string>;

namespace {

bool Contem(const Pastas& pastas, const std::string& pasta) {
  return std::find(pastas.begin(), pastas.end(), pasta) != pastas.end();
}

// Every folder reported until `pasta` is among them, or for ten seconds.
Pastas EsperaAlteracao(ObservaPastas& observador, const std::string& pasta) {
  Pastas vistas;
  const auto limite = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!Contem(vistas, pasta) && std::chrono::steady_clock::now() < limite) {
    for (const std::string& p : observador.LePastasAlteradas())
      if (!Contem(vistas, p)) vistas.push_back(p);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return vistas;
}

// Lets the last action's notifications arrive and drops them, so the next step starts clean.
void Descarta(ObservaPastas& observador) {
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  observador.LePastasAlteradas();
}

}  // namespace

TEST(ObservaPastas, ArquivoCriadoMovidoParaDentroOuGravadoAvisaSuaPasta) {
  PastaTemporaria raiz;
  const std::string a = raiz / "a", b = raiz / "b", fora = raiz / "fora";
  for (const std::string& p : {a, b, fora}) ASSERT_TRUE(UnArquivos::CriaPasta(p));
  ASSERT_TRUE(UnArquivos::GravaArquivo(a + "/existente.xml", "<a/>"));
  ObservaPastas observador;
  observador.DefinePastas({a, b, raiz / "falta"});
  // A folder that does not exist is left to the tick.
  Pastas observadas = observador.PastasObservadas();
  std::sort(observadas.begin(), observadas.end());
  EXPECT_EQ(observadas, (Pastas{a, b}));
  EXPECT_TRUE(observador.LePastasAlteradas().empty());

  // Created: the unwatched folder first, so its news would come before the watched one's.
  ASSERT_TRUE(UnArquivos::GravaArquivo(fora + "/1-sit.xml", "<a/>"));
  ASSERT_TRUE(UnArquivos::GravaArquivo(a + "/1-sit.xml", "<a/>"));
  EXPECT_EQ(EsperaAlteracao(observador, a), (Pastas{a}));
  Descarta(observador);

  // Renamed in from elsewhere, as the transmitter may finish a file.
  ASSERT_TRUE(UnArquivos::GravaArquivo(fora + "/2-sit.xml", "<a/>"));
  Descarta(observador);
  ASSERT_TRUE(UnArquivos::MoveArquivo(fora + "/2-sit.xml", b + "/2-sit.xml"));
  EXPECT_EQ(EsperaAlteracao(observador, b), (Pastas{b}));
  Descarta(observador);

  // Written again: the rest of a file that arrived in two steps.
  ASSERT_TRUE(UnArquivos::AcrescentaArquivo(a + "/existente.xml", "<b/>"));
  EXPECT_EQ(EsperaAlteracao(observador, a), (Pastas{a}));
  Descarta(observador);

  // A file that leaves the folder, as the monitor moves its answers, is no news.
  ASSERT_TRUE(UnArquivos::CriaPasta(b + "/OK"));
  Descarta(observador);
  ASSERT_TRUE(UnArquivos::MoveArquivo(b + "/2-sit.xml", b + "/OK/2-sit.xml"));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_TRUE(observador.LePastasAlteradas().empty());
}

TEST(ObservaPastas, NovoConjuntoTrocaAsPastasObservadas) {
  PastaTemporaria raiz;
  const std::string a = raiz / "a", b = raiz / "b";
  for (const std::string& p : {a, b}) ASSERT_TRUE(UnArquivos::CriaPasta(p));
  ObservaPastas observador;
  observador.DefinePastas({a});
  observador.DefinePastas({b});
  EXPECT_EQ(observador.PastasObservadas(), (Pastas{b}));
  ASSERT_TRUE(UnArquivos::GravaArquivo(a + "/1-sit.xml", "<a/>"));
  ASSERT_TRUE(UnArquivos::GravaArquivo(b + "/1-sit.xml", "<a/>"));
  EXPECT_EQ(EsperaAlteracao(observador, b), (Pastas{b}));
  // The same set again keeps the watch and what it has seen.
  Descarta(observador);
  ASSERT_TRUE(UnArquivos::GravaArquivo(b + "/2-sit.xml", "<a/>"));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  observador.DefinePastas({b});
  EXPECT_EQ(EsperaAlteracao(observador, b), (Pastas{b}));
  observador.DefinePastas({});
  EXPECT_TRUE(observador.PastasObservadas().empty());
  EXPECT_TRUE(observador.LePastasAlteradas().empty());
}
