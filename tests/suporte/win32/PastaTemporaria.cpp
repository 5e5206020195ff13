// The temporary folders of the tests on Windows: a unique folder under the user's temp folder,
// and UTF-8 names reaching the file system as UTF-16 (a narrow path would go through the ANSI
// code page).
#include "suporte/PastaTemporaria.h"

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/win32/UnTextoLargo.h"

namespace fs = std::filesystem;

namespace {

fs::path CaminhoLargo(const std::string& utf8) { return fs::path(UnTextoLargo::Largo(utf8)); }

}  // namespace

PastaTemporaria::PastaTemporaria() {
  wchar_t temporaria[MAX_PATH + 1];
  const DWORD iTamanho = GetTempPathW(MAX_PATH + 1, temporaria);
  if (iTamanho == 0) throw std::runtime_error("GetTempPathW failed");
  static unsigned iSequencia = 0;
  for (int tentativa = 0; tentativa < 1000; ++tentativa) {
    const std::wstring nome = std::wstring(temporaria, iTamanho) + L"monitor-teste-" +
                              std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(++iSequencia);
    if (CreateDirectoryW(nome.c_str(), nullptr)) {
      caminho_ = UnTextoLargo::Estreito(nome);
      return;
    }
    if (GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  throw std::runtime_error("cannot create a temporary folder");
}

PastaTemporaria::~PastaTemporaria() {
  std::error_code erro;
  fs::remove_all(CaminhoLargo(caminho_), erro);
}

void EscreveArquivo(const std::string& caminho, const std::string& conteudo) {
  const fs::path destino = CaminhoLargo(caminho);
  fs::create_directories(destino.parent_path());
  std::ofstream saida(destino, std::ios::binary | std::ios::trunc);
  saida << conteudo;
  if (!saida) throw std::runtime_error("cannot write " + caminho);
}

std::string LeTexto(const std::string& caminho) {
  std::ifstream entrada(CaminhoLargo(caminho), std::ios::binary);
  std::stringstream s;
  s << entrada.rdbuf();
  return s.str();
}

bool Existe(const std::string& caminho) { return fs::exists(CaminhoLargo(caminho)); }
