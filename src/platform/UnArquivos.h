#pragma once
// Files and folders as the monitor needs them. Paths are UTF-8 texts.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace UnArquivos {

#ifdef _WIN32
inline constexpr char SEPARADOR = '\\';
#else
inline constexpr char SEPARADOR = '/';
#endif

bool ExisteArquivo(const std::string& caminho);  // a plain file (not a folder)
bool ExistePasta(const std::string& caminho);
bool CriaPasta(const std::string& caminho);      // one level only
// Moves a file, replacing a file of the same name at the destination.
bool MoveArquivoSubstituindo(const std::string& origem, const std::string& destino);
// Moves or renames a file; fails when the destination exists.
bool MoveArquivo(const std::string& origem, const std::string& destino);
bool CopiaArquivo(const std::string& origem, const std::string& destino, bool falhaSeExistir);
bool ApagaArquivo(const std::string& caminho);
// Last write, in milliseconds since 1970-01-01 UTC; empty when the file cannot be seen.
std::optional<int64_t> DataUltimaGravacao(const std::string& caminho);
// Size in bytes of a plain file; empty when it cannot be seen.
std::optional<uint64_t> Tamanho(const std::string& caminho);
// Reads at most `maximo` bytes from the start of the file; empty when it cannot be read.
std::optional<std::string> LeArquivo(const std::string& caminho, size_t maximo);
// Writes (creating or truncating) a file and has it on the disk before returning, so a rename
// that follows never leaves an empty file after a power cut; false on failure. A link at the
// path is never written through: it fails.
bool GravaArquivo(const std::string& caminho, const std::string& conteudo);
// Writes a file that must be new: fails when anything, a link included, has the name.
bool GravaArquivoNovo(const std::string& caminho, const std::string& conteudo);
// Writes `conteudo` under `temporario` (made new: whatever had that name goes first, so the
// write never lands on a file a link names), then gives it the name `destino`, replacing a file
// there only when `bSubstitui`. A reader of `destino` meets the old file or the whole new one,
// never half of it. False on failure, with nothing left under the temporary name.
bool GravaPorTemporario(const std::string& temporario, const std::string& destino,
                        const std::string& conteudo, bool bSubstitui);
// Appends to a file, creating it when missing; false on failure. Others may append to the
// same file at the same time: each call's content lands whole at the end.
bool AcrescentaArquivo(const std::string& caminho, const std::string& conteudo);

// The plain, non-hidden files of `pasta` (never a link, nor what it points at) whose names match `mascara` (see UnMascara),
// in ascending order with letters compared without regard to case.
std::vector<std::string> ListaArquivos(const std::string& pasta, const std::string& mascara);
// Every entry of `pasta` matching `mascara`, whatever its attributes, in listing order.
std::vector<std::string> ListaEntradas(const std::string& pasta, const std::string& mascara);

}  // namespace UnArquivos
