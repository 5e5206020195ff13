#include "platform/UnArquivos.h"

#include <windows.h>

#include <algorithm>

#include "platform/UnMascara.h"
#include "platform/win32/UnTextoLargo.h"

using UnTextoLargo::Estreito;
using UnTextoLargo::Largo;

namespace UnArquivos {

namespace {

class Arquivo {
 public:
  explicit Arquivo(HANDLE h) : h_(h) {}
  ~Arquivo() {
    if (Valido()) CloseHandle(h_);
  }
  Arquivo(const Arquivo&) = delete;
  Arquivo& operator=(const Arquivo&) = delete;
  bool Valido() const { return h_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return h_; }
  bool Fecha() {
    const HANDLE h = h_;
    h_ = INVALID_HANDLE_VALUE;
    return CloseHandle(h) != 0;
  }

 private:
  HANDLE h_;
};

class Busca {
 public:
  explicit Busca(HANDLE h) : h_(h) {}
  ~Busca() {
    if (h_ != INVALID_HANDLE_VALUE) FindClose(h_);
  }
  Busca(const Busca&) = delete;
  Busca& operator=(const Busca&) = delete;
  HANDLE Get() const { return h_; }

 private:
  HANDLE h_;
};

DWORD Atributos(const std::string& caminho) { return GetFileAttributesW(Largo(caminho).c_str()); }

bool GravaTudo(HANDLE h, const std::string& conteudo) {
  size_t feito = 0;
  while (feito < conteudo.size()) {
    const DWORD pedaco = static_cast<DWORD>(std::min<size_t>(conteudo.size() - feito, 1u << 20));
    DWORD gravado = 0;
    if (!WriteFile(h, conteudo.data() + feito, pedaco, &gravado, nullptr) || gravado == 0)
      return false;
    feito += gravado;
  }
  return true;
}

// The ERP and the transmitter may hold the files open while the monitor reads them.
constexpr DWORD COMPARTILHAMENTO = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Entries of `pasta` whose long names match `mascara`; the folder's own wildcard would also
// match the 8.3 short names. "." and ".." are left out; `aceita` filters on the attributes.
template <typename Filtro>
std::vector<std::string> LeNomes(const std::string& pasta, const std::string& mascara,
                                 Filtro aceita) {
  std::vector<std::string> nomes;
  std::string padrao = pasta;
  if (padrao.empty() || (padrao.back() != '\\' && padrao.back() != '/')) padrao += '\\';
  padrao += '*';
  WIN32_FIND_DATAW dados;
  Busca busca(FindFirstFileExW(Largo(padrao).c_str(), FindExInfoBasic, &dados,
                               FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
  if (busca.Get() == INVALID_HANDLE_VALUE) return nomes;
  do {
    const std::wstring_view largo(dados.cFileName);
    if (largo == L"." || largo == L"..") continue;
    std::string nome = Estreito(largo);
    if (UnMascara::CombinaMascara(nome, mascara) && aceita(dados.dwFileAttributes))
      nomes.push_back(std::move(nome));
  } while (FindNextFileW(busca.Get(), &dados));
  return nomes;
}

}  // namespace

bool ExisteArquivo(const std::string& caminho) {
  const DWORD atributos = Atributos(caminho);
  return atributos != INVALID_FILE_ATTRIBUTES && !(atributos & FILE_ATTRIBUTE_DIRECTORY);
}

bool ExistePasta(const std::string& caminho) {
  const DWORD atributos = Atributos(caminho);
  return atributos != INVALID_FILE_ATTRIBUTES && (atributos & FILE_ATTRIBUTE_DIRECTORY);
}

bool CriaPasta(const std::string& caminho) {
  return CreateDirectoryW(Largo(caminho).c_str(), nullptr) != 0;
}

bool MoveArquivoSubstituindo(const std::string& origem, const std::string& destino) {
  // Another volume: copied, and the original removed only once the copy is whole.
  return MoveFileExW(Largo(origem).c_str(), Largo(destino).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED) != 0;
}

bool MoveArquivo(const std::string& origem, const std::string& destino) {
  return MoveFileW(Largo(origem).c_str(), Largo(destino).c_str()) != 0;
}

bool CopiaArquivo(const std::string& origem, const std::string& destino, bool falhaSeExistir) {
  return CopyFileW(Largo(origem).c_str(), Largo(destino).c_str(), falhaSeExistir ? TRUE : FALSE) !=
         0;
}

bool ApagaArquivo(const std::string& caminho) { return DeleteFileW(Largo(caminho).c_str()) != 0; }

std::optional<int64_t> DataUltimaGravacao(const std::string& caminho) {
  WIN32_FILE_ATTRIBUTE_DATA dados;
  if (!GetFileAttributesExW(Largo(caminho).c_str(), GetFileExInfoStandard, &dados))
    return std::nullopt;
  ULARGE_INTEGER t;
  t.LowPart = dados.ftLastWriteTime.dwLowDateTime;
  t.HighPart = dados.ftLastWriteTime.dwHighDateTime;
  // FILETIME counts 100 ns from 1601-01-01 UTC.
  constexpr int64_t DE_1601_A_1970 = 116444736000000000LL;
  const int64_t intervalos = static_cast<int64_t>(t.QuadPart) - DE_1601_A_1970;
  const int64_t milissegundos = intervalos / 10000;
  return (intervalos % 10000 < 0) ? milissegundos - 1 : milissegundos;
}

std::optional<std::string> LeArquivo(const std::string& caminho, size_t maximo) {
  // A folder does not open without backup semantics, so it fails here as on Linux.
  Arquivo arquivo(CreateFileW(Largo(caminho).c_str(), GENERIC_READ, COMPARTILHAMENTO, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!arquivo.Valido()) return std::nullopt;
  std::string conteudo;
  LARGE_INTEGER tamanho;
  if (GetFileSizeEx(arquivo.Get(), &tamanho))
    conteudo.reserve(std::min<size_t>(maximo, static_cast<size_t>(tamanho.QuadPart)));
  char bloco[65536];
  while (conteudo.size() < maximo) {
    DWORD lido = 0;
    const DWORD pedido = static_cast<DWORD>(std::min(sizeof bloco, maximo - conteudo.size()));
    if (!ReadFile(arquivo.Get(), bloco, pedido, &lido, nullptr)) return std::nullopt;
    if (lido == 0) break;
    conteudo.append(bloco, lido);
  }
  return conteudo;
}

std::optional<uint64_t> Tamanho(const std::string& caminho) {
  WIN32_FILE_ATTRIBUTE_DATA dados;
  if (!GetFileAttributesExW(Largo(caminho).c_str(), GetFileExInfoStandard, &dados) ||
      (dados.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return std::nullopt;
  return (static_cast<uint64_t>(dados.nFileSizeHigh) << 32) | dados.nFileSizeLow;
}

bool GravaArquivoNovo(const std::string& caminho, const std::string& conteudo) {
  Arquivo arquivo(CreateFileW(Largo(caminho).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!arquivo.Valido()) return false;
  if (!GravaTudo(arquivo.Get(), conteudo) || !FlushFileBuffers(arquivo.Get())) return false;
  return arquivo.Fecha();
}

bool GravaArquivo(const std::string& caminho, const std::string& conteudo) {
  // OPEN_ALWAYS instead of CREATE_ALWAYS: a hidden file of that name is rewritten too.
  Arquivo arquivo(CreateFileW(Largo(caminho).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!arquivo.Valido()) return false;
  if (!SetEndOfFile(arquivo.Get())) return false;
  if (!GravaTudo(arquivo.Get(), conteudo)) return false;
  if (!FlushFileBuffers(arquivo.Get())) return false;
  return arquivo.Fecha();
}

// Several writers append to one file (two monitors on one log folder): each keeps the file
// open only for its own write, and they take turns through a lock on a byte far past any end
// of file, since not every file system (a network share, Wine) appends a write whole.
bool AcrescentaArquivo(const std::string& caminho, const std::string& conteudo) {
  // Without FILE_WRITE_DATA every write goes to the end of the file; reading is what the lock
  // asks for.
  Arquivo arquivo(CreateFileW(Largo(caminho).c_str(), FILE_APPEND_DATA | FILE_READ_DATA,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!arquivo.Valido()) return false;
  OVERLAPPED vez{};
  vez.OffsetHigh = 0x40000000;
  // A writer that never lets go costs a second, not the line.
  bool bVez = false;
  for (int tentativa = 0; tentativa < 100 && !bVez; ++tentativa) {
    bVez = LockFileEx(arquivo.Get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                      &vez) != FALSE;
    if (!bVez) Sleep(10);
  }
  const bool bGravado = GravaTudo(arquivo.Get(), conteudo);
  if (bVez) UnlockFileEx(arquivo.Get(), 0, 1, 0, &vez);
  return arquivo.Fecha() && bGravado;
}

std::vector<std::string> ListaArquivos(const std::string& pasta, const std::string& mascara) {
  auto nomes = LeNomes(pasta, mascara, [](DWORD atributos) {
    return !(atributos & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
  });
  UnMascara::OrdenaSemCaixa(nomes);
  return nomes;
}

std::vector<std::string> ListaEntradas(const std::string& pasta, const std::string& mascara) {
  return LeNomes(pasta, mascara, [](DWORD) { return true; });
}

}  // namespace UnArquivos
