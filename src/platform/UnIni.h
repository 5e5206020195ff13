#pragma once
// Initialisation files with the semantics of GetPrivateProfileStringW.
#include <string>
#include <string_view>

namespace UnIni {

inline constexpr size_t TAMANHO_BUFFER = 2048;

// Reads `chave` of `secao` from the file; `padrao` when the file, section or key is missing.
std::string LeIni(const std::string& arquivo, const std::string& secao, const std::string& chave,
                  const std::string& padrao);
// The same over the file's content already read: UTF-8, UTF-16 with its byte-order mark, or
// (when not valid UTF-8) the Windows-1252 code page of the ERP workstations.
std::string LeIniTexto(std::string_view conteudo, std::string_view secao, std::string_view chave,
                       const std::string& padrao);

}  // namespace UnIni
