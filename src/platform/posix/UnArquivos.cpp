#include "platform/UnArquivos.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>

#include "platform/UnMascara.h"

namespace UnArquivos {

namespace {

class Descritor {
 public:
  explicit Descritor(int fd) : fd_(fd) {}
  ~Descritor() {
    if (fd_ >= 0) close(fd_);
  }
  Descritor(const Descritor&) = delete;
  Descritor& operator=(const Descritor&) = delete;
  int Valor() const { return fd_; }
  bool Fecha() {
    const int fd = fd_;
    fd_ = -1;
    return close(fd) == 0;
  }

 private:
  int fd_;
};

bool GravaTudo(int fd, const char* dados, size_t tamanho) {
  while (tamanho > 0) {
    const ssize_t gravado = write(fd, dados, tamanho);
    if (gravado < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    dados += gravado;
    tamanho -= static_cast<size_t>(gravado);
  }
  return true;
}

bool GravaComFlags(const std::string& caminho, const std::string& conteudo, int flags,
                   bool bNoDisco = false) {
  Descritor fd(open(caminho.c_str(), flags | O_WRONLY | O_CREAT | O_CLOEXEC, 0666));
  if (fd.Valor() < 0) return false;
  if (!GravaTudo(fd.Valor(), conteudo.data(), conteudo.size())) return false;
  if (bNoDisco && fsync(fd.Valor()) != 0) return false;
  return fd.Fecha();
}

bool CopiaDescritor(int entrada, int saida) {
  char bloco[65536];
  for (;;) {
    const ssize_t lido = read(entrada, bloco, sizeof bloco);
    if (lido < 0 && errno == EINTR) continue;
    if (lido < 0) return false;
    if (lido == 0) return true;
    if (!GravaTudo(saida, bloco, static_cast<size_t>(lido))) return false;
  }
}

// Copies the bytes and the permission bits; a partial destination is removed.
bool CopiaConteudo(const std::string& origem, const std::string& destino, bool falhaSeExistir) {
  // Without O_NONBLOCK opening a pipe waits for a writer; a pipe is refused below anyway.
  Descritor entrada(open(origem.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (entrada.Valor() < 0) return false;
  struct stat info;
  if (fstat(entrada.Valor(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  const int flags = O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | (falhaSeExistir ? O_EXCL : 0);
  Descritor saida(open(destino.c_str(), flags, info.st_mode & 0777));
  if (saida.Valor() < 0) return false;
  if (!CopiaDescritor(entrada.Valor(), saida.Valor()) || !saida.Fecha()) {
    unlink(destino.c_str());
    return false;
  }
  return true;
}

// Gives `atual` the name `novo` unless a file already has it. For file systems that cannot
// refuse a replacement in one step: a hard link refuses it; without hard links, a look first.
bool NomeiaSemSubstituir(const std::string& atual, const std::string& novo) {
  if (link(atual.c_str(), novo.c_str()) == 0) {
    unlink(atual.c_str());
    return true;
  }
  if (errno == EEXIST || access(novo.c_str(), F_OK) == 0) return false;
  return rename(atual.c_str(), novo.c_str()) == 0;
}

// A move between file systems: the copy is made whole under a temporary name beside the
// destination and only then takes the destination's name, so the destination never holds half
// a file; the original goes last.
bool MoveEntreSistemasDeArquivos(const std::string& origem, const std::string& destino,
                                 bool substitui) {
  Descritor entrada(open(origem.c_str(), O_RDONLY | O_CLOEXEC));
  if (entrada.Valor() < 0) return false;
  struct stat info;
  if (fstat(entrada.Valor(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  // Hidden, so that no listing of the destination folder takes it for an answer file.
  const size_t barra = destino.rfind('/');
  std::string temporario = barra == std::string::npos ? "." + destino + ".XXXXXX"
                                                      : destino.substr(0, barra + 1) + "." +
                                                            destino.substr(barra + 1) + ".XXXXXX";
  Descritor saida(mkostemp(temporario.data(), O_CLOEXEC));
  if (saida.Valor() < 0) return false;
  const bool copiado = CopiaDescritor(entrada.Valor(), saida.Valor()) &&
                       fchmod(saida.Valor(), info.st_mode & 07777) == 0 && saida.Fecha();
  const bool nomeado = copiado && (substitui ? rename(temporario.c_str(), destino.c_str()) == 0
                                             : NomeiaSemSubstituir(temporario, destino));
  if (!nomeado) unlink(temporario.c_str());
  return nomeado && unlink(origem.c_str()) == 0;
}

// Names of `pasta` matching `mascara`, "." and ".." left out; `aceita` filters further.
template <typename Filtro>
std::vector<std::string> LeNomes(const std::string& pasta, const std::string& mascara,
                                 Filtro aceita) {
  std::vector<std::string> nomes;
  std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(pasta.c_str()), closedir);
  if (!dir) return nomes;
  while (const dirent* entrada = readdir(dir.get())) {
    const std::string_view nome(entrada->d_name);
    if (nome == "." || nome == "..") continue;
    if (!UnMascara::CombinaMascara(nome, mascara)) continue;
    if (aceita(entrada)) nomes.emplace_back(nome);
  }
  return nomes;
}

}  // namespace

bool ExisteArquivo(const std::string& caminho) {
  struct stat info;
  return stat(caminho.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool ExistePasta(const std::string& caminho) {
  struct stat info;
  return stat(caminho.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool CriaPasta(const std::string& caminho) { return mkdir(caminho.c_str(), 0777) == 0; }

bool MoveArquivoSubstituindo(const std::string& origem, const std::string& destino) {
  if (rename(origem.c_str(), destino.c_str()) == 0) return true;
  return errno == EXDEV && MoveEntreSistemasDeArquivos(origem, destino, true);
}

bool MoveArquivo(const std::string& origem, const std::string& destino) {
  if (renameat2(AT_FDCWD, origem.c_str(), AT_FDCWD, destino.c_str(), RENAME_NOREPLACE) == 0) {
    return true;
  }
  if (errno == EEXIST) return false;
  if (errno == EXDEV) return MoveEntreSistemasDeArquivos(origem, destino, false);
  return (errno == EINVAL || errno == ENOSYS) && NomeiaSemSubstituir(origem, destino);
}

bool CopiaArquivo(const std::string& origem, const std::string& destino, bool falhaSeExistir) {
  return CopiaConteudo(origem, destino, falhaSeExistir);
}

bool ApagaArquivo(const std::string& caminho) { return unlink(caminho.c_str()) == 0; }

std::optional<int64_t> DataUltimaGravacao(const std::string& caminho) {
  struct stat info;
  if (stat(caminho.c_str(), &info) != 0) return std::nullopt;
  return static_cast<int64_t>(info.st_mtim.tv_sec) * 1000 + info.st_mtim.tv_nsec / 1000000;
}

std::optional<uint64_t> Tamanho(const std::string& caminho) {
  struct stat info;
  if (stat(caminho.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  return static_cast<uint64_t>(info.st_size);
}

std::optional<std::string> LeArquivo(const std::string& caminho, size_t maximo) {
  Descritor fd(open(caminho.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.Valor() < 0) return std::nullopt;
  struct stat info;
  if (fstat(fd.Valor(), &info) != 0 || S_ISDIR(info.st_mode)) return std::nullopt;
  std::string conteudo;
  if (S_ISREG(info.st_mode)) {
    conteudo.reserve(std::min(maximo, static_cast<size_t>(info.st_size)));
  }
  char bloco[65536];
  while (conteudo.size() < maximo) {
    const ssize_t lido = read(fd.Valor(), bloco, std::min(sizeof bloco, maximo - conteudo.size()));
    if (lido < 0 && errno == EINTR) continue;
    if (lido < 0) return std::nullopt;
    if (lido == 0) break;
    conteudo.append(bloco, static_cast<size_t>(lido));
  }
  return conteudo;
}

// O_NOFOLLOW: a link planted at the name would have the write land on its target.
bool GravaArquivo(const std::string& caminho, const std::string& conteudo) {
  return GravaComFlags(caminho, conteudo, O_TRUNC | O_NOFOLLOW, true);
}

bool GravaArquivoNovo(const std::string& caminho, const std::string& conteudo) {
  return GravaComFlags(caminho, conteudo, O_EXCL, true);
}

bool AcrescentaArquivo(const std::string& caminho, const std::string& conteudo) {
  return GravaComFlags(caminho, conteudo, O_APPEND | O_NOFOLLOW);
}

std::vector<std::string> ListaArquivos(const std::string& pasta, const std::string& mascara) {
  auto nomes = LeNomes(pasta, mascara, [&](const dirent* entrada) {
    if (entrada->d_name[0] == '.') return false;  // hidden
    if (entrada->d_type == DT_REG) return true;
    if (entrada->d_type != DT_UNKNOWN) return false;
    // The file system may not tell the type. A link is never taken: anyone who can write the
    // folder could point it at any file the monitor can read.
    struct stat info;
    return lstat((pasta + '/' + entrada->d_name).c_str(), &info) == 0 && S_ISREG(info.st_mode);
  });
  UnMascara::OrdenaSemCaixa(nomes);
  return nomes;
}

std::vector<std::string> ListaEntradas(const std::string& pasta, const std::string& mascara) {
  return LeNomes(pasta, mascara, [](const dirent*) { return true; });
}

}  // namespace UnArquivos
